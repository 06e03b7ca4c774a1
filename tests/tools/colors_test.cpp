// `kestrix colors FILE`: distinct colours of pictures whose count is known by construction,
// checked against ImageMagick's count of the same files; two for any black-and-white picture;
// exit statuses and messages of the failures.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/support/test_support.h"
#include "tests/tools/tool_run.h"

using namespace kxtest;

namespace {

const std::string kIdentify = "/usr/bin/identify";

kx::TBitmap Pattern(int32_t w, int32_t h, kx::TRGB (*color)(int32_t x, int32_t y)) {
  kx::TBitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.SetPixel(x, y, color(x, y));
  return b;
}

std::string PpmOf(const kx::TBitmap& b) {
  const std::string path = TempPath(".ppm");
  WritePPM(path, b);
  return path;
}

size_t CountedHere(const kx::TBitmap& b) {
  std::set<uint32_t> seen;
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x) {
      const kx::TRGB c = b.GetPixel(x, y);
      seen.insert(uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b);
    }
  return seen.size();
}

}  // namespace

TEST(KestrixColors, CountsDistinctColoursLikeImageMagick) {
  const struct {
    const char* name;
    kx::TBitmap picture;
    size_t colors;  // 0: as many as the picture holds, counted here
  } cases[] = {
      {"one colour", Filled(5, 3, kx::CreateRGB(9, 200, 31)), 1},
      {"every red and green level once",
       Pattern(256, 256, [](int32_t x, int32_t y) { return kx::CreateRGB(uint8_t(x), uint8_t(y), uint8_t(x ^ y)); }),
       65536},
      {"37 colours repeated, differing in one channel only",
       Pattern(61, 17, [](int32_t x, int32_t y) { return kx::CreateRGB(7, 7, uint8_t((x * 5 + y * 3) % 37)); }), 37},
      {"a photo-like picture", MakePicture(97, 41, 5), 0},
  };
  for (const auto& c : cases) {
    const std::string file = PpmOf(c.picture);
    const size_t expected = c.colors ? c.colors : CountedHere(c.picture);
    TToolResult r = RunTool("colors " + Quote(file));
    ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
    EXPECT_EQ(r.err, "") << c.name;
    EXPECT_EQ(r.out, std::to_string(expected) + "\n") << c.name;
    if (Have(kIdentify)) {
      std::string theirs;
      ASSERT_EQ(kxtest::Run(Quote(kIdentify) + " -format %k " + Quote(file), &theirs), 0) << c.name;
      EXPECT_EQ(theirs, std::to_string(expected)) << c.name;
    }
  }
}

TEST(KestrixColors, BlackAndWhitePicturesCountTwo) {
  // A 1-bit picture counts both levels whether or not it uses them.
  for (const std::string& body : {std::string(2 * 2, '\0'), std::string(2 * 2, '\xFF'), std::string("\x80\0\0\0", 4)}) {
    const std::string pbm = TempPath(".pbm");
    WriteFile(pbm, Bytes("P4\n9 2\n" + body));
    TToolResult r = RunTool("colors " + Quote(pbm));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2\n");
  }
}

TEST(KestrixColors, FailuresExitWithOneLineOnStandardError) {
  const std::string missing = TempPath(".ppm");
  const std::string shortPpm = TempPath(".ppm");
  WriteFile(shortPpm, Bytes("P6\n4 4\n255\nshort"));
  const std::string text = TempPath(".txt");
  WriteFile(text, Bytes("no picture at all"));
  const std::string good = PpmOf(Filled(2, 2, kx::CreateRGB(1, 2, 3)));
  const struct {
    std::string args;
    int status;
    std::string named;
  } cases[] = {
      {"colors", 2, ""},
      {"colors " + Quote(good) + " " + Quote(good), 2, ""},
      {"colors --set JPEG_Quality=90 " + Quote(good), 2, ""},
      {"colors --verbose " + Quote(good), 2, ""},
      {"colors " + Quote(missing), 1, missing},
      {"colors " + Quote(shortPpm), 1, shortPpm},
      {"colors " + Quote(text), 1, text},
  };
  for (const auto& c : cases) {
    TToolResult r = RunTool(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.args << "\n" << r.err;
    EXPECT_TRUE(r.err.ends_with("\n")) << c.args;
    if (!c.named.empty()) {
      EXPECT_NE(r.err.find(c.named), std::string::npos) << c.args << "\n" << r.err;
    }
  }
  TToolResult help = RunTool("--help");
  EXPECT_NE(help.out.find("kestrix colors FILE"), std::string::npos);
  EXPECT_EQ(RunTool("colors --quiet " + Quote(good)).out, "1\n");
}

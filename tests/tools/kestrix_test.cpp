// The kestrix tool from outside: info listings of files made by cjpeg, conversions checked
// against djpeg and Pillow, exit statuses, and the rule that a failed convert leaves OUT alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "imaging/io/ioparams_fields.h"
#include "tests/support/test_support.h"
#include "tests/tools/tool_run.h"

using namespace kxtest;

namespace {

const std::string kCjpeg = "/usr/bin/cjpeg";
const std::string kDjpeg = "/usr/bin/djpeg";
const std::string kPython = "/usr/bin/python3";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Field(const std::string& listing, const std::string& name) {
  for (const std::string& line : Lines(listing))
    if (line.starts_with(name + "=")) return line.substr(name.size() + 1);
  return "<missing>";
}

std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

// What Pillow sees in a JPEG: progressive flag, density and the quantization tables.
std::string PillowFacts(const std::string& path) {
  std::string out;
  kxtest::Run(Quote(kPython) + " -c " +
                  Quote("import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
                        "print(int(bool(im.info.get('progressive'))), im.info.get('dpi'), "
                        "[list(t) for t in im.quantization.values()])") +
                  " " + Quote(path),
              &out);
  return out;
}

class KestrixTool : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Have(kCjpeg) || !Have(kDjpeg)) return;
    source = TempPath(".ppm");
    WritePPM(source, MakePicture(64, 48, 3));
    color = TempPath(".jpg");
    gray = TempPath(".jpg");
    progressive = TempPath(".jpg");
    kxtest::Run(Quote(kCjpeg) + " -quality 90 -outfile " + Quote(color) + " " + Quote(source));
    kxtest::Run(Quote(kCjpeg) + " -grayscale -outfile " + Quote(gray) + " " + Quote(source));
    kxtest::Run(Quote(kCjpeg) + " -progressive -outfile " + Quote(progressive) + " " + Quote(source));
  }
  void SetUp() override {
    if (!Have(kCjpeg) || !Have(kDjpeg)) GTEST_SKIP() << "needs cjpeg and djpeg";
  }
  static inline std::string source, color, gray, progressive;
};

// The tool's decoding of `jpeg` with `sets` against djpeg's with `djpegArgs`.
void ExpectSameAsDjpeg(const std::string& jpeg, const std::string& sets, const std::string& djpegArgs,
                       const std::string& suffix, int width, int height) {
  const std::string ours = TempPath(suffix), theirs = TempPath(suffix);
  TToolResult r = RunTool("convert " + Quote(jpeg) + " " + Quote(ours) + " " + sets);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "") << "no progress bar when standard error is not a terminal";
  ASSERT_EQ(kxtest::Run(Quote(kDjpeg) + " -pnm " + djpegArgs + " -outfile " + Quote(theirs) + " " + Quote(jpeg)), 0);
  EXPECT_EQ(ReadFile(ours), ReadFile(theirs)) << sets;
  kx::TBitmap decoded;
  ASSERT_TRUE(ReadNetpbm(ours, decoded));
  EXPECT_EQ(decoded.Width(), width);
  EXPECT_EQ(decoded.Height(), height);
}

}  // namespace

TEST_F(KestrixTool, InfoListsEveryFieldOfACjpegFile) {
  const struct {
    const std::string* file;
    const char* colorSpace;
    const char* progressive;
  } cases[] = {
      {&color, "ioJPEG_YCbCr", "false"},
      {&gray, "ioJPEG_GRAYLEV", "false"},
      {&progressive, "ioJPEG_YCbCr", "true"},
  };
  for (const auto& c : cases) {
    TToolResult r = RunTool("info " + Quote(*c.file));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), kx::IOParamFields().size());
    for (size_t i = 0; i < lines.size(); ++i)
      EXPECT_TRUE(lines[i].starts_with(std::string(kx::IOParamFields()[i].Name) + "=")) << lines[i];
    EXPECT_EQ(Field(r.out, "FileType"), "ioJPEG");
    EXPECT_EQ(Field(r.out, "Width"), "64");
    EXPECT_EQ(Field(r.out, "Height"), "48");
    EXPECT_EQ(Field(r.out, "BitsPerSample"), "8");
    EXPECT_EQ(Field(r.out, "SamplesPerPixel"), "3");
    EXPECT_EQ(Field(r.out, "JPEG_ColorSpace"), c.colorSpace);
    EXPECT_EQ(Field(r.out, "JPEG_Progressive"), c.progressive);
    EXPECT_EQ(Field(r.out, "DpiX"), "1") << "cjpeg writes a unit-less 1:1 density";
    EXPECT_EQ(Field(r.out, "DpiY"), "1");
    EXPECT_EQ(Field(r.out, "FileName"), *c.file);
    EXPECT_EQ(Field(r.out, "ColorMapCount"), "0");
  }
}

TEST_F(KestrixTool, ReaderOptionsDecodeLikeDjpeg) {
  const struct {
    const std::string* file;
    const char* sets;
    const char* djpegArgs;
    const char* suffix;
    int width, height;
  } cases[] = {
      {&color, "", "", ".ppm", 64, 48},
      {&progressive, "", "", ".ppm", 64, 48},
      {&gray, "", "", ".pgm", 64, 48},
      {&color, "--set JPEG_Scale=ioJPEG_HALF", "-scale 1/2", ".ppm", 32, 24},
      {&color, "--set JPEG_Scale=3", "-scale 1/4", ".ppm", 16, 12},
      {&color, "--set JPEG_DCTMethod=ioJPEG_IFAST", "-dct fast", ".ppm", 64, 48},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.sets) + " " + c.suffix);
    ExpectSameAsDjpeg(*c.file, c.sets, c.djpegArgs, c.suffix, c.width, c.height);
  }
}

TEST_F(KestrixTool, PpmToJpegDecodesLikeCjpegOfTheSameQuality) {
  const std::string ours = TempPath(".jpg"), theirs = TempPath(".jpg");
  ASSERT_EQ(RunTool("convert " + Quote(source) + " " + Quote(ours) + " --set JPEG_Quality=90").status, 0);
  ASSERT_EQ(kxtest::Run(Quote(kCjpeg) + " -quality 90 -outfile " + Quote(theirs) + " " + Quote(source)), 0);
  const std::string oursPpm = TempPath(".ppm"), theirsPpm = TempPath(".ppm");
  ASSERT_EQ(kxtest::Run(Quote(kDjpeg) + " -pnm -outfile " + Quote(oursPpm) + " " + Quote(ours)), 0);
  ASSERT_EQ(kxtest::Run(Quote(kDjpeg) + " -pnm -outfile " + Quote(theirsPpm) + " " + Quote(theirs)), 0);
  EXPECT_EQ(ReadFile(oursPpm), ReadFile(theirsPpm));
  kx::TBitmap decoded;
  ASSERT_TRUE(ReadNetpbm(oursPpm, decoded));
  EXPECT_EQ(decoded.Width(), 64);
  EXPECT_EQ(decoded.Height(), 48);
}

TEST_F(KestrixTool, SetValuesOutliveTheReaderForTheWriter) {
  if (!Have(kPython)) GTEST_SKIP() << "needs Pillow";
  const struct {
    const std::string* file;
    const char* sets;
    const char* cjpegArgs;
    const char* dpi;
  } cases[] = {
      {&color, "--set JPEG_Quality=95 --set JPEG_Progressive=true --set DpiX=300 --set DpiY=150",
       "-quality 95 -progressive", "(300, 150)"},
      {&progressive, "--set JPEG_Progressive=0 --set JPEG_Quality=20 --set DpiX=72 --set DpiY=72",
       "-quality 20 -baseline", "(72, 72)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sets);
    const std::string ours = TempPath(".jpg"), theirs = TempPath(".jpg");
    TToolResult r = RunTool("convert " + Quote(*c.file) + " " + Quote(ours) + " " + c.sets);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(kxtest::Run(Quote(kCjpeg) + " " + c.cjpegArgs + " -outfile " + Quote(theirs) + " " + Quote(source)), 0);
    const std::string facts = PillowFacts(ours), reference = PillowFacts(theirs);
    ASSERT_FALSE(facts.empty());
    const size_t tables = reference.find('[');
    EXPECT_EQ(facts.substr(0, 1), reference.substr(0, 1)) << "progressive flag";
    EXPECT_EQ(facts.substr(facts.find('[')), reference.substr(tables)) << "quantization tables of the quality";
    EXPECT_NE(facts.find(c.dpi), std::string::npos) << facts;
  }
}

TEST_F(KestrixTool, InputFormatFollowsContentWhenTheExtensionIsUnknown) {
  const std::string jpegAsDat = TempPath(".dat"), ppmAsImg = TempPath(".img");
  std::filesystem::copy_file(color, jpegAsDat);
  std::filesystem::copy_file(source, ppmAsImg);
  TToolResult info = RunTool("info " + Quote(jpegAsDat));
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(Field(info.out, "FileType"), "ioJPEG");
  info = RunTool("info " + Quote(ppmAsImg));
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(Field(info.out, "FileType"), "100") << "the tool's Netpbm entry in the registry";
  EXPECT_EQ(Field(info.out, "Width"), "64");

  const std::string ppm = TempPath(".ppm");
  ASSERT_EQ(RunTool("convert " + Quote(ppmAsImg) + " " + Quote(ppm)).status, 0);
  EXPECT_EQ(ReadFile(ppm), ReadFile(source));
  const std::string out = TempPath(".out");
  EXPECT_EQ(RunTool("convert " + Quote(jpegAsDat) + " " + Quote(out)).status, 2) << "no writer takes .out";
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(KestrixCommandLine, FailuresExitWithOneLineOnStandardError) {
  const std::string missing = TempPath(".jpg");
  const std::string garbage = TempPath(".jpg");
  WriteFile(garbage, {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 0xFF, 0xDA});
  const std::string unknown = TempPath(".bin");
  WriteFile(unknown, Bytes("neither format"));
  const std::string ppm = TempPath(".ppm");
  WriteFile(ppm, Bytes("P6\n1 1\n255\n\x01\x02\x03"));
  const std::string noFolder = TempDir() + "/no/such/folder/out.ppm";
  const struct {
    std::string args;
    int status;
    std::string named;  // a file the message must name
  } cases[] = {
      {"", 2, ""},
      {"explode", 2, ""},
      {"info", 2, ""},
      {"info a b", 2, ""},
      {"info --verbose " + Quote(ppm), 2, ""},
      {"convert " + Quote(ppm), 2, ""},
      {"convert " + Quote(ppm) + " out.ppm --set", 2, ""},
      {"convert " + Quote(ppm) + " out.ppm --set JPEG_Quality", 2, ""},
      {"convert " + Quote(ppm) + " out.ppm --set NoSuchField=1", 2, ""},
      {"convert " + Quote(ppm) + " out.ppm --set JPEG_Scale=ioJPEG_DOUBLE", 2, ""},
      {"convert " + Quote(ppm) + " out.ppm --set JPEG_Progressive=maybe", 2, ""},
      {"convert " + Quote(ppm) + " out.ppm --set ColorMapCount=4", 2, ""},
      {"convert " + Quote(ppm) + " out.ppm --do NoSuchOperation", 2, ""},
      {"--help extra", 2, ""},
      {"info " + Quote(missing), 1, missing},
      {"info " + Quote(garbage), 1, garbage},
      {"info " + Quote(unknown), 1, unknown},
      {"convert " + Quote(missing) + " " + Quote(TempPath(".ppm")), 1, missing},
      {"convert " + Quote(ppm) + " " + Quote(noFolder), 1, noFolder},
  };
  for (const auto& c : cases) {
    TToolResult r = RunTool(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
    EXPECT_EQ(Lines(r.err).size(), 1u) << c.args << "\n" << r.err;
    EXPECT_TRUE(r.err.ends_with("\n")) << c.args;
    if (!c.named.empty()) {
      EXPECT_NE(r.err.find(c.named), std::string::npos) << c.args << "\n" << r.err;
    }
  }
  EXPECT_FALSE(std::filesystem::exists("out.ppm"));
}

TEST(KestrixCommandLine, HelpListsTheCommandsAndOperations) {
  TToolResult r = RunTool("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  for (const char* text :
       {"kestrix info FILE", "kestrix convert IN OUT", "--set Name=Value", "--do OPERATION", "--quiet", "operations:"})
    EXPECT_NE(r.out.find(text), std::string::npos) << text;
}

TEST(KestrixCommandLine, FailedConvertLeavesAnExistingOutAndNoTemporary) {
  const std::string folder = TempDir() + "/survivors";
  std::filesystem::create_directory(folder);
  const std::string out = folder + "/out.jpg", outPpm = folder + "/out.ppm";
  const std::vector<uint8_t> old = Bytes("the old file");
  WriteFile(out, old);
  WriteFile(outPpm, old);
  const std::string garbage = TempPath(".jpg");
  WriteFile(garbage, Bytes("\xFF\xD8\xFF garbage after a JPEG start"));
  const std::string shortPpm = TempPath(".ppm");
  WriteFile(shortPpm, Bytes("P6\n4 4\n255\nshort"));
  // Wider than any JPEG can be: the writer aborts after it has begun the file.
  const std::string tooWide = TempPath(".pbm");
  std::string pbm = "P4\n70000 1\n" + std::string(8750, '\x55');
  WriteFile(tooWide, Bytes(pbm));
  const std::set<std::string> before = Entries(folder);
  const struct { std::string in, target; } cases[] = {{garbage, out}, {shortPpm, outPpm}, {tooWide, out}};
  for (const auto& c : cases) {
    TToolResult r = RunTool("convert " + Quote(c.in) + " " + Quote(c.target));
    EXPECT_EQ(r.status, 1) << c.in;
    EXPECT_NE(r.err.find(c.in == tooWide ? c.target : c.in), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(c.target), old) << c.in;
    EXPECT_EQ(Entries(folder), before) << c.in;
  }
  const std::string good = TempPath(".ppm");
  WriteFile(good, Bytes("P6\n1 1\n255\n\x01\x02\x03"));
  ASSERT_EQ(RunTool("convert " + Quote(good) + " " + Quote(outPpm)).status, 0);
  EXPECT_EQ(ReadFile(outPpm), ReadFile(good));
  EXPECT_EQ(Entries(folder), before);
}

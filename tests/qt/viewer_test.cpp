// kestrix-view on the offscreen platform: its first frame shows the picture exactly as djpeg
// decodes it, whether the file's name or only its content tells the format; failures exit with
// a message naming the file and the codec's reason; --help prints the usage.
#include <gtest/gtest.h>

#include <QImage>
#include <string>

#include "tests/support/test_support.h"

using namespace kxtest;

namespace {

const std::string kDjpeg = "/usr/bin/djpeg";

// Runs the viewer with `arguments`; its exit status, with stdout and stderr in `output`. The
// scratch folder (private to this user) is its runtime folder, which keeps Qt from warning.
int RunViewer(const std::string& arguments, std::string& output) {
  return Run("QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=" + Quote(TempDir()) + " " + Quote(KX_VIEWER_PATH) + " " +
                 arguments + " 2>&1",
             &output);
}

std::string Fixture(const char* name) { return SourceDir() + "/tests/fixtures/jpeg/" + name; }

}  // namespace

TEST(KestrixView, FirstFrameShowsThePictureByNameOrByContent) {
  if (!Have(kDjpeg)) GTEST_SKIP() << "djpeg missing";
  const std::string jpeg = Fixture("cjpeg_420.jpg");
  const std::string pnm = TempPath(".ppm");
  kx::TBitmap expected;
  ASSERT_EQ(kxtest::Run(kDjpeg + " -pnm -outfile " + Quote(pnm) + " " + Quote(jpeg)), 0);
  ASSERT_TRUE(ReadNetpbm(pnm, expected));
  const std::string misnamed = TempPath(".png");  // a JPEG under another format's name
  WriteFile(misnamed, ReadFile(jpeg));
  const std::string unnamed = TempPath("");
  WriteFile(unnamed, ReadFile(jpeg));
  for (const std::string& file : {jpeg, misnamed, unnamed}) {
    const std::string shot = TempPath(".png");
    std::string output;
    ASSERT_EQ(RunViewer(Quote(file) + " --grab=" + Quote(shot), output), 0) << file << ": " << output;
    const QImage frame = QImage(QString::fromStdString(shot)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(frame.size(), QSize(expected.Width() + 2, expected.Height() + 2)) << file;
    for (int32_t y = 0; y < expected.Height(); ++y)
      for (int32_t x = 0; x < expected.Width(); ++x) {
        const kx::TRGB p = expected.GetPixel(x, y);
        ASSERT_EQ(frame.pixel(x + 1, y + 1), qRgb(p.r, p.g, p.b)) << file << " at " << x << "," << y;
      }
  }
}

TEST(KestrixView, FailuresNameTheFileAndTheReason) {
  const std::string garbage(600, 'x');
  const std::string notJpeg = TempPath(".jpg");
  WriteFile(notJpeg, std::vector<uint8_t>(garbage.begin(), garbage.end()));
  const std::string unknown = TempPath(".dat");
  WriteFile(unknown, std::vector<uint8_t>(garbage.begin(), garbage.end()));
  const std::string missing = TempPath(".jpg");
  const struct {
    std::string file;
    std::string message;
  } cases[] = {
      {notJpeg, "kestrix-view: " + notJpeg + ": not a JPEG file\n"},
      {unknown, "kestrix-view: " + unknown + ": not a picture in a format the viewer reads\n"},
      {missing, "kestrix-view: "},
  };
  for (const auto& c : cases) {
    std::string output;
    EXPECT_EQ(RunViewer(Quote(c.file), output), 1) << c.file;
    EXPECT_EQ(output.compare(0, c.message.size(), c.message), 0) << output;
    EXPECT_NE(output.find(c.file), std::string::npos) << output;
    EXPECT_EQ(output.find('\n'), output.size() - 1) << "one line: " << output;
  }
}

TEST(KestrixView, HelpPrintsTheUsageAndTheKeys) {
  std::string output;
  EXPECT_EQ(RunViewer("--help", output), 0);
  EXPECT_EQ(output.rfind("usage: kestrix-view PICTURE [--grab=OUT.png]\n", 0), 0u) << output;
  EXPECT_NE(output.find("Esc remove the selection"), std::string::npos) << output;
  EXPECT_NE(output.find("O open another picture"), std::string::npos) << output;
  std::string usage;
  EXPECT_EQ(RunViewer("", usage), 2);
  EXPECT_EQ(usage.rfind("usage: kestrix-view", 0), 0u) << usage;
}

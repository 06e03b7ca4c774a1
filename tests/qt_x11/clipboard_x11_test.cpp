// The clipboard on a real X server, with other programs at the other end: xclip reads the picture
// TQtClipboard put there and Pillow decodes it, and a PNG xclip offers pastes as a DIB. Only our
// event loop answers another program's request for our clipboard, so every wait pumps events.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QTest>

#include "platform/qt/qt_clipboard.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::Quote;

namespace {

using TBytes = std::vector<uint8_t>;

const std::string kPython = "/usr/bin/python3";
constexpr int kTimeoutMs = 5000;

// 3 x 2, top row red, green, blue; bottom row (10, 20, 30), (40, 50, 60), white.
const TBytes kDib = [] {
  TBytes dib = {40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};  // size, width, height, planes, bits
  dib.resize(40);                                                   // every other field 0
  dib.insert(dib.end(), {0x1E, 0x14, 0x0A, 0x3C, 0x32, 0x28, 0xFF, 0xFF, 0xFF, 0, 0, 0});  // bottom row
  dib.insert(dib.end(), {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0, 0, 0});  // top row
  dib.insert(dib.end(), {0, 0, 0, 0});
  return dib;
}();
const char* const kPixelList = "(255, 0, 0), (0, 255, 0), (0, 0, 255), (10, 20, 30), (40, 50, 60), (255, 255, 255)";
const std::string kPixelsSeen = "3x2 ff0000 00ff00 0000ff 0a141e 28323c ffffff\n";

// Pumps Qt's events until `done` holds; false when that takes longer than the timeout.
template <typename Done>
bool PumpUntil(Done done) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > kTimeoutMs) return false;
    QTest::qWait(10);
  }
  return true;
}

// xclip with the given arguments, started at once in a process group of its own, so that the
// copy it forks to serve a selection ends with it.
class TXclip {
 public:
  explicit TXclip(const QStringList& arguments) {
    fProcess.setChildProcessModifier([] { setpgid(0, 0); });
    fProcess.start("xclip", QStringList{"-selection", "clipboard"} + arguments);
    if (fProcess.waitForStarted()) fGroup = pid_t(fProcess.processId());
  }
  ~TXclip() {
    if (fGroup > 0) kill(-fGroup, SIGKILL);
    fProcess.waitForFinished();
  }
  TXclip(const TXclip&) = delete;
  TXclip& operator=(const TXclip&) = delete;

  // Waits, pumping events, until xclip returns; true when it succeeded.
  bool Finish() {
    return PumpUntil([this] { return fProcess.state() == QProcess::NotRunning; }) &&
           fProcess.exitStatus() == QProcess::NormalExit && fProcess.exitCode() == 0;
  }
  QByteArray Output() { return fProcess.readAllStandardOutput(); }

 private:
  QProcess fProcess;
  pid_t fGroup = 0;
};

QByteArray Read(const char* target) {
  TXclip xclip({"-t", target, "-o"});
  EXPECT_TRUE(xclip.Finish()) << target;
  return xclip.Output();
}

void Clear() {
  TQtClipboard clipboard;
  TClipboardSession session(clipboard);
  clipboard.Empty();
}

}  // namespace

TEST(QtClipboardX11, OtherProgramsPasteOurPicture) {
  if (!kxtest::Have(kPython)) GTEST_SKIP() << "no python3";
  {
    TQtClipboard clipboard;
    TClipboardSession session(clipboard);
    clipboard.Empty();
    clipboard.Put(kClipboardDIB, kDib);
  }
  const QList<QByteArray> targets = Read("TARGETS").split('\n');
  EXPECT_TRUE(targets.contains("image/png"));
  EXPECT_TRUE(targets.contains("image/bmp"));

  const QByteArray bmp = Read("image/bmp");
  EXPECT_EQ(bmp.left(14), QByteArray("BM\x52\0\0\0\0\0\0\0\x36\0\0\0", 14));
  EXPECT_EQ(TBytes(bmp.begin() + std::min<qsizetype>(14, bmp.size()), bmp.end()), kDib);

  const std::string png = kxtest::TempPath(".png");
  const QByteArray pngBytes = Read("image/png");
  kxtest::WriteFile(png, TBytes(pngBytes.begin(), pngBytes.end()));
  std::string seen;
  const std::string decode =
      "import sys; from PIL import Image; im = Image.open(sys.argv[1]).convert('RGB'); "
      "print('%dx%d' % im.size, *('%02x%02x%02x' % p for p in im.getdata()))";
  ASSERT_EQ(kxtest::Run(kPython + " -c " + Quote(decode) + " " + Quote(png), &seen), 0);
  EXPECT_EQ(seen, kPixelsSeen);
}

TEST(QtClipboardX11, PictureOfferedByAnotherProgramPastesAsDib) {
  if (!kxtest::Have(kPython)) GTEST_SKIP() << "no python3";
  const std::string png = kxtest::TempPath(".png");
  const std::string make =
      std::string("import sys; from PIL import Image; im = Image.new('RGB', (3, 2)); im.putdata([") + kPixelList +
      "]); im.save(sys.argv[1])";
  ASSERT_EQ(kxtest::Run(kPython + " -c " + Quote(make) + " " + Quote(png)), 0);
  Clear();

  TXclip xclip({"-t", "image/png", "-i", QString::fromStdString(png)});
  ASSERT_TRUE(xclip.Finish()) << "xclip returns once its forked copy serves the clipboard";
  QClipboard* system = QGuiApplication::clipboard();
  ASSERT_TRUE(PumpUntil([system] {
    const QMimeData* mime = system->mimeData();
    return !system->ownsClipboard() && mime && mime->formats().contains("image/png");
  }));
  TQtClipboard clipboard;
  TClipboardSession session(clipboard);
  EXPECT_TRUE(clipboard.Has(kClipboardDIB));
  EXPECT_EQ(clipboard.Get(kClipboardDIB), kDib);
}

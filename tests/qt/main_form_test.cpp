// Quillop's main window on the offscreen platform: its layout, every command button and
// shortcut reaching the shell, the sliders (one rebuild per drag), a dropped file, the splash
// and the wait window's texts. The shell's decisions themselves are tested in tests/app.
#include "app/qt/main_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <deque>
#include <filesystem>

#include "app/mail_outbox.h"
#include "app/window_placement.h"
#include "imaging/proc/dib.h"
#include "platform/memory_clipboard.h"
#include "platform/memory_settings_store.h"
#include "tests/support/test_support.h"

using namespace quillop;
using namespace kx;
namespace fs = std::filesystem;
using kxtest::MakePicture;

namespace {

// The ports the window is given, recording what reaches them.
struct TFakes : TMessageDisplay, TFileChooser, TMailHandoff, TWebOpener, TScanner {
  TMainForm* form = nullptr;
  std::vector<std::string> log;
  std::deque<std::string> openAnswers;
  std::string saveAnswer;
  void ShowMessage(const std::string& text) override { log.push_back("message " + text); }
  std::optional<std::string> ChooseOpen(const std::string&) override {
    log.push_back("open");
    if (openAnswers.empty()) return std::nullopt;
    std::string answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
  }
  std::optional<TSaveChoice> ChooseSave() override {
    log.push_back("save");
    return TSaveChoice{saveAnswer, "JPEG Bitmap (JPG)"};
  }
  std::optional<int32_t> ChooseScanner(const std::vector<std::string>& names, int32_t) override {
    log.push_back("scanner dialog of " + std::to_string(names.size()));
    return 0;
  }
  TMailResult Send(const std::string& file) override {
    log.push_back("mail " + fs::path(file).filename().string() + " " + WaitText());
    return {};
  }
  bool Open(const std::string& url) override {
    log.push_back("web " + url);
    return true;
  }
  std::vector<std::string> SourceNames() override { return {"Flatbed"}; }
  TScanOutcome Acquire(int32_t, TKestrix& target, std::string&) override {
    log.push_back("acquire " + WaitText());
    const TBitmap picture = MakePicture(400, 300, 5);
    target.Assign(&picture);
    return TScanOutcome::Acquired;
  }
  // The wait window's text while it is shown, "-" while it is not.
  std::string WaitText() const {
    return form->Wait().isVisible() ? form->Wait().TextMessage()->text().toStdString() : "-";
  }
};

struct TWindow {
  std::string Folder = kxtest::TempPath(".window");
  uint32_t Names = 0;  // counts the rebuilds
  TPreviewFiles Previews{(fs::create_directory(Folder), Folder), [this] { return Names++; }};
  TMemorySettingsStore Store;
  TMemoryClipboard Clipboard;
  TClipboardScope ClipboardScope{Clipboard};
  TFakes Fakes;
  std::unique_ptr<TMainForm> Form;

  explicit TWindow(bool firstRun = false) {
    if (!firstRun) Store.Plant(kSettingsKey, "JPEGComp", {TSettingsValueType::String, "60"});
    Form = std::make_unique<TMainForm>(
        TMainFormSetup{Store, Previews, OutboxFolder(Folder), &Fakes, &Fakes, &Fakes, &Fakes, &Fakes});
    Fakes.form = Form.get();
  }
  ~TWindow() {
    if (Form) Form->close();
  }
  void Start() {
    Form->Shell().Start();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    QApplication::setActiveWindow(Form.get());
  }
  template <typename T = QWidget>
  T* Child(const char* name) {
    T* w = Form->findChild<T*>(name);
    EXPECT_TRUE(w) << name;
    return w;
  }
  void Click(const char* button) { QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton); }
  std::string Jpeg(int32_t w, int32_t h) {
    const std::string path = Folder + "/in" + std::to_string(w) + ".jpg";
    TKestrix k;
    const TBitmap picture = MakePicture(w, h);
    k.Assign(&picture);
    k.SaveToFileJpeg(path);
    return path;
  }
  TPicturePipeline& Pipeline() { return Form->Shell().Pipeline(); }
};

TEST(MainForm, LayoutCaptionsAndFonts) {
  TWindow w;
  w.Start();
  EXPECT_EQ(w.Form->windowTitle(), "Quillop");
  EXPECT_EQ(w.Form->size(), QSize(791, 573));
  EXPECT_EQ(w.Form->palette().color(QPalette::Window), QColor(214, 211, 202));
  struct TCase {
    const char* name;
    QRect bounds;
    const char* caption;
  };
  const TCase buttons[] = {
      {"PB_Scan", {5, 34, 50, 25}, "Scan"},
      {"PB_Load", {86, 34, 50, 25}, "Load"},
      {"PB_Paste", {167, 34, 50, 25}, "Paste"},
      {"PB_Email", {5, 36, 50, 25}, "E-mail"},
      {"PB_Save", {86, 36, 50, 25}, "Save "},
      {"PB_Copy", {167, 36, 50, 25}, "Copy"},
      {"PB_Setup", {134, 527, 100, 25}, "Setup Scanner"},
      {"PB_Sharpen", {5, 60, 70, 25}, "Sharpen"},
      {"PB_Invert", {79, 60, 70, 25}, "Invert"},
      {"PB_Restore", {152, 60, 70, 25}, "Restore"},
      {"PB_RotateCCW", {31, 21, 25, 25}, ""},
      {"PB_FlipV", {177, 21, 25, 25}, ""},
  };
  for (const TCase& c : buttons) {
    SCOPED_TRACE(c.name);
    QPushButton* b = w.Child<QPushButton>(c.name);
    EXPECT_EQ(b->geometry(), c.bounds);
    EXPECT_EQ(b->text().toStdString(), c.caption);
  }
  const TCase frames[] = {{"FlatPanel3", {9, 27, 225, 97}, ""},  {"FlatPanel4", {9, 157, 225, 237}, ""},
                          {"FlatPanel2", {9, 423, 225, 97}, ""}, {"FlatPanel1", {242, 10, 542, 542}, ""},
                          {"Label13", {318, 556, 358, 13}, ""},  {"SB_JpegCompress", {78, 184, 122, 33}, ""}};
  for (const TCase& c : frames) EXPECT_EQ(w.Child(c.name)->geometry(), c.bounds) << c.name;
  for (const char* heading : {"Label1", "Label6", "Label2"}) {
    const QFont font = w.Child(heading)->font();
    EXPECT_TRUE(font.bold() && font.underline()) << heading;
    EXPECT_EQ(font.pointSize(), 10) << heading;
  }
  EXPECT_EQ(w.Child<QLabel>("Label1")->text(), "Step 1: Get picture");
  EXPECT_EQ(w.Child<QLabel>("Label13")->text().toStdString(), std::string(kLinkText) + kProductAddress);
  EXPECT_EQ(w.Child<QLabel>("Label13")->palette().color(QPalette::WindowText), QColor(119, 112, 95));
  EXPECT_FALSE(w.Child("Panel1")->isVisible());

  // The keyboard order from Scan on.
  const char* order[] = {"PB_Scan",  "PB_Load",  "PB_Paste",        "Kestrix_Display", "PB_Setup",     "PB_Save",
                         "PB_Email", "PB_Copy",  "SB_JpegCompress", "PB_RotateCW",     "PB_RotateCCW", "PB_Sharpen",
                         "PB_FlipH", "PB_FlipV", "SB_Brightness",   "SB_Contrast",     "PB_Invert",    "PB_Restore"};
  QWidget* at = w.Child(order[0]);
  for (size_t i = 1; i < std::size(order); ++i) {
    do at = at->nextInFocusChain();
    while (at->focusPolicy() == Qt::NoFocus || !at->objectName().size());
    EXPECT_EQ(at->objectName().toStdString(), order[i]);
  }
}

TEST(MainForm, SendAndEditWaitForAPictureThenEveryButtonReachesTheShell) {
  TWindow w;
  w.Start();
  for (const char* name : {"PB_Email", "PB_Save", "PB_Copy"}) EXPECT_FALSE(w.Child(name)->isEnabled()) << name;
  EXPECT_FALSE(w.Child("FlatPanel4")->isEnabled());

  w.Click("PB_Scan");
  EXPECT_EQ(w.Fakes.log.back(), "acquire Accessing scanner... Please wait...");
  EXPECT_FALSE(w.Form->Wait().isVisible());
  EXPECT_EQ(w.Pipeline().Kestrix_Save.Bitmap().Width(), 400);
  for (const char* name : {"PB_Email", "PB_Save", "PB_Copy"}) EXPECT_TRUE(w.Child(name)->isEnabled()) << name;
  EXPECT_TRUE(w.Child("FlatPanel4")->isEnabled());
  // 540 x 405, centred in the square.
  EXPECT_EQ(w.Form->DisplayHost().geometry(), QRect(1, 1 + 67, 540, 405));

  w.Click("PB_RotateCW");
  EXPECT_EQ(w.Form->DisplayHost().geometry(), QRect(1 + 67, 1, 405, 540));
  EXPECT_EQ(w.Child<QLabel>("FileSize")->text().toStdString(), w.Pipeline().FileSize);

  w.Fakes.openAnswers.push_back(w.Jpeg(200, 100));
  w.Click("PB_Load");
  EXPECT_EQ(w.Pipeline().Kestrix_Save.Bitmap().Width(), 200);

  w.Click("PB_Email");
  EXPECT_EQ(w.Fakes.log.back(), "mail Image attached.jpg Launching e-mail software... Please wait...");
  w.Fakes.saveAnswer = w.Folder + "/saved";
  w.Click("PB_Save");
  EXPECT_EQ(kxtest::ReadFile(w.Folder + "/saved.jpg"), w.Pipeline().PreviewBytes());
  w.Click("PB_Copy");
  EXPECT_TRUE(w.Clipboard.Has(kClipboardDIB));
  w.Clipboard.Put(kClipboardDIB, _CopyBitmaptoDIB(MakePicture(30, 60), 0, 0, 0, 0));
  w.Click("PB_Paste");
  EXPECT_EQ(w.Pipeline().Kestrix_Save.Bitmap().Height(), 60);
  w.Click("PB_Setup");
  EXPECT_EQ(w.Fakes.log.back(), "scanner dialog of 1");
  QTest::mouseClick(w.Child("Label13"), Qt::LeftButton);
  EXPECT_EQ(w.Fakes.log.back(), std::string("web ") + kProductPage);
  for (const std::string& entry : w.Fakes.log) EXPECT_EQ(entry.rfind("message", 0), std::string::npos) << entry;
}

TEST(MainForm, ADragIsOneRebuildAndALabelClickResetsItsSlider) {
  TWindow w;
  w.Start();
  w.Form->Shell().LoadPicture(w.Jpeg(300, 200));
  auto* brightness = w.Child<TStepSlider>("SB_Brightness");
  const uint32_t before = w.Names;
  brightness->setSliderDown(true);
  for (int v : {10, 25, 40}) brightness->setSliderPosition(v);
  EXPECT_EQ(w.Names, before);  // the live preview writes nothing
  EXPECT_EQ(w.Child<QLabel>("T_Brightness")->text(), "40");
  brightness->setSliderDown(false);
  EXPECT_EQ(w.Names, before + 1);
  EXPECT_EQ(w.Pipeline().Brightness, 40);

  QTest::mouseClick(w.Child("T_Brightness"), Qt::LeftButton);
  EXPECT_EQ(w.Pipeline().SB_Brightness.Value(), 0);
  EXPECT_EQ(brightness->value(), 0);
  EXPECT_EQ(w.Names, before + 2);
}

TEST(MainForm, ShortcutsRunTheirCommandsOnlyWhenOffered) {
  TWindow w;
  w.Start();
  QTest::keyClick(w.Form.get(), Qt::Key_E, Qt::ControlModifier);  // nothing to send yet
  QTest::keyClick(w.Form.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(w.Fakes.log, (std::vector<std::string>{"open"}));
  w.Form->Shell().LoadPicture(w.Jpeg(300, 200));
  w.Fakes.saveAnswer = w.Folder + "/keyed.jpg";
  QTest::keyClick(w.Form.get(), Qt::Key_S, Qt::ControlModifier);
  QTest::keyClick(w.Form.get(), Qt::Key_E, Qt::ControlModifier);
  QTest::keyClick(w.Form.get(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(w.Fakes.log, (std::vector<std::string>{
                             "open", "save", "mail Image attached.jpg Launching e-mail software... Please wait..."}));
  EXPECT_TRUE(fs::exists(w.Folder + "/keyed.jpg"));
  EXPECT_TRUE(w.Clipboard.Has(kClipboardDIB));
  w.Clipboard.Empty();
  QTest::keyClick(w.Form.get(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(w.Fakes.log.back(), "message The clipboard holds no picture.");
}

TEST(MainForm, ADroppedFileIsLoaded) {
  TWindow w;
  w.Start();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(w.Jpeg(120, 80)))});
  const QPoint at(400, 300);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.Form.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.Form.get(), &drop);
  EXPECT_EQ(w.Pipeline().Kestrix_Save.Bitmap().Width(), 120);
  EXPECT_TRUE(w.Child("PB_Email")->isEnabled());

  QMimeData text;
  text.setText("not a file");
  QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  refused.setAccepted(false);
  QApplication::sendEvent(w.Form.get(), &refused);
  EXPECT_FALSE(refused.isAccepted());
}

TEST(MainForm, TheSplashShowsHalfASecondAfterStartForHalfASecond) {
  TWindow w;
  w.Start();
  EXPECT_FALSE(w.Form->About().isVisible());
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.Form->About().isVisible(); }, 2000));
  EXPECT_EQ(w.Form->About().windowTitle(), "Loading software... Please wait...");
  EXPECT_EQ(w.Form->About().size(), QSize(400, 300));
  EXPECT_FALSE(w.Form->About().Image1()->pixmap().isNull());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w.Form->About().isVisible(); }, 2000));
}

TEST(MainForm, TheCloseStoresThePlaceAndTheNextWindowTakesIt) {
  TWindow w;
  w.Start();
  w.Form->move(40, 30);
  QApplication::processEvents();
  const QPoint place = w.Form->frameGeometry().topLeft();
  w.Form->close();
  const auto& values = w.Store.Keys().at({TSettingsRoot::CurrentUser, kPlacementKey});
  EXPECT_EQ(values.at("Left").Text, std::to_string(place.x()));
  EXPECT_EQ(values.at("State").Text, "normal");
  EXPECT_TRUE(w.Store.Keys().count({TSettingsRoot::CurrentUser, kSettingsKey}));

  TMainForm next({w.Store, w.Previews, OutboxFolder(w.Folder), &w.Fakes, &w.Fakes, &w.Fakes, &w.Fakes, &w.Fakes});
  next.Shell().Start();
  EXPECT_EQ(next.frameGeometry().topLeft(), place);
  next.close();
}

}  // namespace

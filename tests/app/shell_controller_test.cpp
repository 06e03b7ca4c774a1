// The shell's decisions with every port faked: the start-up sequence and its timers, the three
// ways of getting a picture and what a cancel or a failure keeps, the three ways of sending it,
// the scanner choice and the close sequence.
#include "app/shell_controller.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "app/mail_outbox.h"
#include "imaging/proc/dib.h"
#include "imaging/proc/orientation.h"
#include "platform/memory_clipboard.h"
#include "platform/memory_settings_store.h"
#include "tests/support/test_support.h"

using namespace quillop;
using namespace kx;
namespace fs = std::filesystem;
using kxtest::MakePicture;
using kxtest::SameBitmap;

namespace {

// Every port at once; what the controller does to the world is logged in order.
struct TWorld : TMessageDisplay,
                TWaitWindow,
                TShellWindows,
                TFileChooser,
                TMailHandoff,
                TWebOpener,
                TScanner,
                TBusyCursor {
  std::vector<std::string> log;
  std::vector<std::string> messages;
  std::vector<std::string> scanners;
  std::optional<int32_t> scannerAnswer;  // nothing: the dialog answers with what it was given
  std::deque<std::optional<std::string>> openAnswers;
  std::optional<TSaveChoice> saveAnswer;
  TScanOutcome scanOutcome = TScanOutcome::Acquired;
  TBitmap scanned = MakePicture(300, 200, 7);
  TMailResult mailResult;
  std::vector<std::string> mailed;
  bool webOpens = true;
  int cursorShown = 0, cursorHidden = 0;
  bool waitShown = false;

  void ShowMessage(const std::string& text) override {
    messages.push_back(text);
    log.push_back("message");
  }
  void Show(const std::string& text) override {
    waitShown = true;
    log.push_back("wait " + text);
  }
  void Close() override { waitShown = false; }
  void ShowMain() override { log.push_back("main"); }
  void ShowSplash(const std::string& caption) override { log.push_back("splash " + caption); }
  void CloseSplash() override { log.push_back("splash closed"); }
  std::optional<std::string> ChooseOpen(const std::string& folder) override {
    log.push_back("open in " + folder);
    std::optional<std::string> answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
  }
  std::optional<TSaveChoice> ChooseSave() override { return saveAnswer; }
  std::optional<int32_t> ChooseScanner(const std::vector<std::string>& names, int32_t selected) override {
    log.push_back("scanner dialog of " + std::to_string(names.size()));
    return scannerAnswer ? scannerAnswer : std::optional<int32_t>(selected);
  }
  TMailResult Send(const std::string& file) override {
    mailed.push_back(file);
    return mailResult;
  }
  bool Open(const std::string& url) override {
    log.push_back("web " + url);
    return webOpens;
  }
  std::vector<std::string> SourceNames() override { return scanners; }
  TScanOutcome Acquire(int32_t index, TKestrix& target, std::string& reason) override {
    log.push_back("acquire " + std::to_string(index));
    if (scanOutcome == TScanOutcome::Acquired) target.Assign(&scanned);
    if (scanOutcome == TScanOutcome::Failed) reason = "the scanner is switched off";
    return scanOutcome;
  }
  void Show() override { ++cursorShown; }
  void Hide() override { ++cursorHidden; }
};

struct TFixture {
  std::string Folder = kxtest::TempPath(".work");
  uint32_t Names = 0;
  TPreviewFiles Previews{(fs::create_directory(Folder), Folder), [this] { return Names++; }};
  TMemorySettingsStore Store;
  TManualTimerService Timers;
  TWorld World;
  TMemoryClipboard Clipboard;
  TClipboardScope ClipboardScope{Clipboard};
  fs::file_time_type Now = fs::file_time_type::clock::now();
  std::unique_ptr<TShellController> Shell;

  TShellController& Make() {
    Shell =
        std::make_unique<TShellController>(TShellPorts{World, World, World, World, World, World, World, Timers, &World},
                                           Store, Previews, OutboxFolder(Folder), [this] { return Now; });
    return *Shell;
  }
  // A controller started as on a later run: settings exist, so no scanner dialog.
  TShellController& Started() {
    Store.Plant(kSettingsKey, "JPEGComp", {TSettingsValueType::String, "60"});
    Make().Start();
    return *Shell;
  }
  TPicturePipeline& Pipeline() { return Shell->Pipeline(); }
  // A JPEG file of `picture`.
  std::string JpegOf(const TBitmap& picture) {
    const std::string path = Folder + "/in-" + std::to_string(++Files) + ".jpg";
    TKestrix k;
    k.Assign(&picture);
    k.SaveToFileJpeg(path);
    return path;
  }
  // Loads `picture` through the dialog and rotates the working copy once, an edit to keep.
  void LoadAndEdit(const TBitmap& picture) {
    World.openAnswers.push_back(JpegOf(picture));
    Shell->PB_LoadClick();
    Shell->Run([&] { Pipeline().PB_RotateCWClick(); });
  }
  int Files = 0;
};

// What a command that must change nothing is checked against.
struct TSnapshot {
  TBitmap Source, Working, Shown;
  std::string Preview, MRUD;
  explicit TSnapshot(TFixture& f)
      : Source(f.Pipeline().Kestrix_Save.Bitmap()),
        Working(f.Pipeline().Kestrix_Buffer.Bitmap()),
        Shown(f.Pipeline().Kestrix_Display.Bitmap()),
        Preview(f.Pipeline().TempFileName()),
        MRUD(f.Shell->MRUD()) {}
  void ExpectSame(TFixture& f) const {
    EXPECT_TRUE(SameBitmap(Source, f.Pipeline().Kestrix_Save.Bitmap()));
    EXPECT_TRUE(SameBitmap(Working, f.Pipeline().Kestrix_Buffer.Bitmap()));
    EXPECT_TRUE(SameBitmap(Shown, f.Pipeline().Kestrix_Display.Bitmap()));
    EXPECT_EQ(Preview, f.Pipeline().TempFileName());
    EXPECT_TRUE(fs::exists(Preview));
    EXPECT_EQ(MRUD, f.Shell->MRUD());
  }
};

TBitmap Decoded(const std::string& jpeg) {
  TKestrix k;
  k.LoadFromFile(jpeg);
  EXPECT_FALSE(k.Aborting()) << jpeg;
  return k.Bitmap();
}

TEST(ShellStartup, FirstRunAsksForTheScannerBeforeTheMainWindowAndEndsWithQuality60) {
  TFixture f;
  f.World.scanners = {"Flatbed", "Sheet feeder"};
  f.World.scannerAnswer = 1;
  f.Make().Start();
  EXPECT_EQ(f.World.log, (std::vector<std::string>{"scanner dialog of 2", "main"}));
  EXPECT_TRUE(f.Shell->FirstRun());
  EXPECT_EQ(f.Shell->TwainSource(), 1);
  EXPECT_EQ(f.Pipeline().SB_JpegCompress.Value(), 60);
  EXPECT_EQ(f.Pipeline().T_JpegCompress, "60");
}

TEST(ShellStartup, StoredSettingsSkipTheDialogAndKeepQualityButNeverBrightness) {
  TFixture f;
  f.Store.Plant(kSettingsKey, "JPEGComp", {TSettingsValueType::String, "75"});
  f.Store.Plant(kSettingsKey, "Brightness", {TSettingsValueType::String, "40"});
  f.Store.Plant(kSettingsKey, "MRUD", {TSettingsValueType::String, "/pictures"});
  f.Make().Start();
  EXPECT_EQ(f.World.log, (std::vector<std::string>{"main"}));
  EXPECT_EQ(f.Pipeline().SB_JpegCompress.Value(), 75);
  EXPECT_EQ(f.Pipeline().Brightness, 0);
  EXPECT_EQ(f.Shell->MRUD(), "/pictures");
}

TEST(ShellStartup, OldMailCopiesGoAtStartAndRecentOnesStay) {
  TFixture f;
  const std::string outbox = OutboxFolder(f.Folder);
  const std::string old = KeepForMail(outbox, {1, 2, 3});
  const std::string recent = KeepForMail(outbox, {4, 5, 6});
  fs::last_write_time(fs::path(old).parent_path(), f.Now - kOutboxKeep - std::chrono::hours(1));
  fs::create_directory(outbox + "/not-ours");
  fs::last_write_time(outbox + "/not-ours", f.Now - kOutboxKeep * 2);
  f.Started();
  EXPECT_FALSE(fs::exists(fs::path(old).parent_path()));
  EXPECT_TRUE(fs::exists(recent));
  EXPECT_TRUE(fs::exists(outbox + "/not-ours"));
}

TEST(ShellStartup, TheTimersShowTheSplashOnceAndNeverTouchALivePreview) {
  TFixture f;
  f.Started();
  f.World.log.clear();
  f.Timers.Advance(10);  // the splash's own timer finds start-up done: it closes the unshown splash
  EXPECT_EQ(f.World.log, (std::vector<std::string>{"splash closed"}));

  f.LoadAndEdit(MakePicture(200, 100));
  f.Pipeline().SB_Brightness.DragTo(40);
  const std::string preview = f.Pipeline().TempFileName();
  f.World.log.clear();
  f.Timers.Advance(490);
  EXPECT_EQ(f.World.log, (std::vector<std::string>{"splash Loading software... Please wait..."}));
  f.Shell->Timer1Timer();  // a tick a nested loop had still queued
  EXPECT_EQ(f.World.log.size(), 1u);
  EXPECT_EQ(f.Pipeline().Brightness, 40);
  EXPECT_EQ(f.Pipeline().TempFileName(), preview);
  EXPECT_TRUE(fs::exists(preview));
  f.Timers.Advance(500);
  EXPECT_EQ(f.World.log.back(), "splash closed");
  EXPECT_EQ(f.Timers.ActiveCount(), 0);
}

TEST(ShellScan, NoScannerIsReportedAndStoresMinusOne) {
  TFixture f;
  f.Make().Start();  // a first run on a machine without scanners
  EXPECT_EQ(f.Shell->TwainSource(), -1);
  f.Shell->PB_ScanClick();
  EXPECT_EQ(f.World.messages, (std::vector<std::string>{"No scanner was found on this computer."}));
  f.Shell->FormCloseQuery();
  EXPECT_EQ(f.Store.Keys().at({TSettingsRoot::CurrentUser, kSettingsKey}).at("TwainSource").Text, "-1");
}

TEST(ShellScan, AStoredIndexBeyondTodaysListIsNoChoice) {
  TFixture f;
  f.World.scanners = {"Flatbed"};
  f.Store.Plant(kSettingsKey, "TwainSource", {TSettingsValueType::String, "3"});
  f.Make().Start();
  f.Shell->PB_ScanClick();
  EXPECT_EQ(f.World.messages, (std::vector<std::string>{"No scanner is chosen: choose one with \"Setup Scanner\"."}));
  EXPECT_EQ(std::count(f.World.log.begin(), f.World.log.end(), "acquire 3"), 0);
  f.World.scannerAnswer = 0;
  f.Shell->PB_SetupClick();
  f.Shell->PB_ScanClick();
  EXPECT_TRUE(SameBitmap(f.Pipeline().Kestrix_Save.Bitmap(), f.World.scanned));
}

TEST(ShellScan, ACancelOrAFailureKeepsThePictureAndItsEdits) {
  struct TCase {
    TScanOutcome outcome;
    std::vector<std::string> messages;
  };
  const TCase cases[] = {
      {TScanOutcome::Cancelled, {}},
      {TScanOutcome::Failed, {"Acquisition Failed!\n\nthe scanner is switched off"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(int(c.outcome));
    TFixture f;
    f.World.scanners = {"Flatbed"};
    f.Started();
    f.LoadAndEdit(MakePicture(200, 100));
    const TSnapshot before(f);
    f.World.scanOutcome = c.outcome;
    f.World.log.clear();
    f.Shell->PB_ScanClick();
    before.ExpectSame(f);
    EXPECT_EQ(f.World.messages, c.messages);
    EXPECT_EQ(f.World.log.front(), "wait Accessing scanner... Please wait...");
    EXPECT_FALSE(f.World.waitShown);
  }
}

TEST(ShellScan, AScannedPictureIsPreparedUnderTheProcessingText) {
  TFixture f;
  f.World.scanners = {"Flatbed"};
  f.Started();
  f.Shell->PB_ScanClick();
  EXPECT_EQ(f.World.log, (std::vector<std::string>{"main", "wait Accessing scanner... Please wait...", "acquire 0",
                                                   "wait Processing image... Please wait..."}));
  EXPECT_TRUE(SameBitmap(f.Pipeline().Kestrix_Save.Bitmap(), f.World.scanned));
  EXPECT_EQ(f.Pipeline().Kestrix_Buffer.Bitmap().Width(), 540);
  EXPECT_TRUE(f.Shell->CanSend());
  EXPECT_FALSE(f.World.waitShown);
  EXPECT_EQ(f.World.cursorShown, f.World.cursorHidden);
}

TEST(ShellLoad, ACancelKeepsThePictureAndTheFolder) {
  TFixture f;
  f.Started();
  f.LoadAndEdit(MakePicture(120, 90));
  EXPECT_EQ(f.Shell->MRUD(), f.Folder);
  const TSnapshot before(f);
  f.World.openAnswers.push_back(std::nullopt);
  f.Shell->PB_LoadClick();
  before.ExpectSame(f);
  EXPECT_EQ(f.World.log.back(), "open in " + f.Folder);
  EXPECT_TRUE(f.World.messages.empty());
}

TEST(ShellLoad, AFailedLoadNamesTheFileAndKeepsEverything) {
  TFixture f;
  f.Started();
  f.LoadAndEdit(MakePicture(120, 90));
  const std::string broken = f.Folder + "/sub/broken.jpg";
  fs::create_directory(f.Folder + "/sub");
  kxtest::WriteFile(broken, {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1});
  for (const std::string& file : {broken, f.Folder + "/missing.jpg"}) {
    SCOPED_TRACE(file);
    const TSnapshot before(f);
    f.World.messages.clear();
    f.World.openAnswers.push_back(file);
    f.Shell->PB_LoadClick();
    before.ExpectSame(f);
    ASSERT_EQ(f.World.messages.size(), 1u);
    EXPECT_NE(f.World.messages[0].find(file), std::string::npos) << f.World.messages[0];
    EXPECT_FALSE(f.World.waitShown);
    EXPECT_EQ(f.World.cursorShown, f.World.cursorHidden);
  }
}

TEST(ShellLoad, APhotoStandsUprightByItsOrientation) {
  TFixture f;
  f.Started();
  const std::string fixtures = kxtest::SourceDir() + "/tests/fixtures/jpeg/";
  // Stored 97 x 61 as the sensor saw it, held a quarter turn clockwise.
  TBitmap upright = Decoded(fixtures + "pil_orientation_6.jpg");
  ASSERT_EQ(upright.Width(), 97);
  KXOrientUpright(upright, 6);
  f.Shell->LoadPicture(fixtures + "pil_orientation_6.jpg");
  ASSERT_TRUE(f.World.messages.empty()) << f.World.messages[0];
  EXPECT_EQ(f.Pipeline().Kestrix_Save.Bitmap().Width(), 61);
  EXPECT_TRUE(SameBitmap(f.Pipeline().Kestrix_Save.Bitmap(), upright));
  EXPECT_EQ(f.Pipeline().Kestrix_Buffer.Bitmap().Height(), 540);
  EXPECT_EQ(f.Shell->MRUD(), "");  // only the dialog's folder is remembered
}

TEST(ShellPaste, AnEmptyOrUnreadableClipboardSaysSoAndKeepsTheEdits) {
  struct TCase {
    std::optional<std::vector<uint8_t>> block;
    bool refuses;
    const char* message;
  };
  const TCase cases[] = {
      {std::nullopt, false, "The clipboard holds no picture."},
      {std::vector<uint8_t>{1, 2, 3, 4}, false, "The picture on the clipboard could not be read: nothing was changed."},
      {std::nullopt, true, "The clipboard cannot be used now: another program holds it."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.message);
    TFixture f;
    f.Started();
    f.LoadAndEdit(MakePicture(200, 100));
    const TSnapshot before(f);
    if (c.block) f.Clipboard.Put(kClipboardDIB, *c.block);
    f.Clipboard.Refuses = c.refuses;
    f.Shell->PB_PasteClick();
    before.ExpectSame(f);
    EXPECT_EQ(f.World.messages, (std::vector<std::string>{c.message}));
  }
}

TEST(ShellPaste, APastedPictureReplacesTheSource) {
  TFixture f;
  f.Started();
  const TBitmap picture = MakePicture(64, 48, 3);
  f.Clipboard.Put(kClipboardDIB, _CopyBitmaptoDIB(picture, 0, 0, 0, 0));
  f.Shell->PB_PasteClick();
  EXPECT_TRUE(f.World.messages.empty());
  EXPECT_TRUE(SameBitmap(f.Pipeline().Kestrix_Save.Bitmap(), picture));
  EXPECT_EQ(f.Pipeline().Kestrix_Buffer.Bitmap().Width(), 540);
}

TEST(ShellSend, SendCommandsBeforeAnyPictureAreRefused) {
  TFixture f;
  f.Started();
  f.World.saveAnswer = TSaveChoice{f.Folder + "/out.jpg", "JPEG Bitmap (JPG)"};
  f.Shell->PB_EmailClick();
  f.Shell->PB_SaveClick();
  f.Shell->PB_CopyClick();
  EXPECT_EQ(f.World.messages, std::vector<std::string>(3, "There is no picture yet: scan, load or paste one first."));
  EXPECT_TRUE(f.World.mailed.empty());
  EXPECT_FALSE(fs::exists(f.Folder + "/out.jpg"));
  EXPECT_FALSE(f.Clipboard.Has(kClipboardDIB));
  EXPECT_FALSE(f.Shell->CanSend());
}

TEST(ShellSend, TheMailedFileOutlivesRebuildsAndTheClose) {
  TFixture f;
  f.Started();
  f.LoadAndEdit(MakePicture(300, 200));
  const TBitmap shown = f.Pipeline().Kestrix_Display.Bitmap();
  f.Shell->PB_EmailClick();
  ASSERT_EQ(f.World.mailed.size(), 1u);
  const std::string mailed = f.World.mailed[0];
  EXPECT_EQ(fs::path(mailed).filename(), "Image attached.jpg");
  EXPECT_EQ(f.World.log.back(), "wait Launching e-mail software... Please wait...");
  EXPECT_TRUE(f.World.messages.empty());
  f.Shell->Run([&] { f.Pipeline().PB_InvertClick(); });
  f.Shell->Run([&] { f.Pipeline().PB_FlipHClick(); });
  f.Shell->FormCloseQuery();
  EXPECT_FALSE(fs::exists(f.Pipeline().TempFileName()));
  ASSERT_TRUE(fs::exists(mailed));
  EXPECT_TRUE(SameBitmap(Decoded(mailed), shown));
}

TEST(ShellSend, AFailedHandOffSaysWhyAndWhereThePictureIs) {
  struct TCase {
    TMailOutcome outcome;
    const char* start;  // empty: no message
  };
  const TCase cases[] = {
      {TMailOutcome::Handed, ""},
      {TMailOutcome::NoMailProgram, "No e-mail program is set up on this computer."},
      {TMailOutcome::ToolMissing, "The picture cannot be handed to an e-mail program: xdg-email"},
      {TMailOutcome::Failed, "The e-mail program could not be started."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.start);
    TFixture f;
    f.Started();
    f.LoadAndEdit(MakePicture(100, 100));
    f.World.mailResult = {c.outcome, ""};
    f.Shell->PB_EmailClick();
    if (!*c.start) {
      EXPECT_TRUE(f.World.messages.empty());
      continue;
    }
    ASSERT_EQ(f.World.messages.size(), 1u);
    EXPECT_EQ(f.World.messages[0].rfind(c.start, 0), 0u) << f.World.messages[0];
    EXPECT_NE(f.World.messages[0].find(f.World.mailed[0]), std::string::npos);
    EXPECT_FALSE(f.World.waitShown);
  }
}

TEST(ShellSend, SavingAsJpegWritesTheMailedBytesAndAddsJpgToABareName) {
  TFixture f;
  f.Started();
  f.LoadAndEdit(MakePicture(300, 200));
  for (const std::string typed : {"picture", "holiday.JPEG"}) {
    SCOPED_TRACE(typed);
    f.World.saveAnswer = TSaveChoice{f.Folder + "/" + typed, "JPEG Bitmap (JPG)"};
    f.Shell->PB_SaveClick();
    const std::string written = f.Folder + "/" + (typed == "picture" ? "picture.jpg" : typed);
    EXPECT_EQ(kxtest::ReadFile(written), f.Pipeline().PreviewBytes());
  }
  EXPECT_TRUE(f.World.messages.empty());
  EXPECT_FALSE(fs::exists(f.Folder + "/picture"));
}

TEST(ShellSend, ATypeWithoutWriterIsReportedAndLeavesAnOldFile) {
  TFixture f;
  f.Started();
  f.LoadAndEdit(MakePicture(300, 200));
  const std::string target = f.Folder + "/old.xyz";
  kxtest::WriteFile(target, {9, 9, 9});
  f.World.saveAnswer = TSaveChoice{target, "Other"};
  f.Shell->PB_SaveClick();
  ASSERT_EQ(f.World.messages.size(), 1u);
  EXPECT_EQ(f.World.messages[0].rfind("The picture could not be saved as \"" + target + "\"", 0), 0u)
      << f.World.messages[0];
  EXPECT_EQ(kxtest::ReadFile(target), (std::vector<uint8_t>{9, 9, 9}));
}

TEST(ShellSend, CopyPutsTheDisplayedPreviewOnTheClipboard) {
  TFixture f;
  f.Started();
  f.LoadAndEdit(MakePicture(300, 200));
  f.Shell->PB_CopyClick();
  TKestrix pasted;
  pasted.PasteFromClipboard();
  EXPECT_TRUE(SameBitmap(pasted.Bitmap(), f.Pipeline().Kestrix_Display.Bitmap()));
}

TEST(ShellRun, AFailureIsShownAfterTheWaitWindowAndTheCursorAreGone) {
  TFixture f;
  f.Started();
  const bool ok = f.Shell->Run([&] {
    f.World.Show("Loading image... Please wait...");
    throw std::runtime_error("the disk is full");
  });
  EXPECT_FALSE(ok);
  EXPECT_FALSE(f.World.waitShown);
  EXPECT_EQ(f.World.cursorShown, 1);
  EXPECT_EQ(f.World.cursorHidden, 1);
  EXPECT_EQ(f.World.messages, (std::vector<std::string>{"the disk is full"}));
}

TEST(ShellLink, TheProductPageOpensOrSaysWhyNot) {
  TFixture f;
  f.Started();
  f.Shell->Label13Click();
  EXPECT_EQ(f.World.log.back(), std::string("web ") + kProductPage);
  f.World.webOpens = false;
  f.Shell->Label13Click();
  ASSERT_EQ(f.World.messages.size(), 1u);
  EXPECT_NE(f.World.messages[0].find(kProductPage), std::string::npos);
}

TEST(ShellClose, TheCloseWritesTheSettingsAndDeletesThePreview) {
  TFixture f;
  f.Started();
  f.LoadAndEdit(MakePicture(300, 200));
  f.Pipeline().SB_JpegCompress.SetValue(80);
  const std::string preview = f.Pipeline().TempFileName();
  f.Shell->FormCloseQuery();
  const auto& values = f.Store.Keys().at({TSettingsRoot::CurrentUser, kSettingsKey});
  EXPECT_EQ(values.at("JPEGComp").Text, "80");
  EXPECT_EQ(values.at("MRUD").Text, f.Folder);
  EXPECT_FALSE(fs::exists(preview));
  EXPECT_TRUE(f.World.messages.empty());
}

TEST(ShellClose, AFailedWriteIsShownAndThePreviewStillGoes) {
  TFixture f;
  f.Started();
  f.LoadAndEdit(MakePicture(300, 200));
  const std::string preview = f.Pipeline().TempFileName();
  f.Store.FailWrite(3);
  f.Shell->FormCloseQuery();
  EXPECT_EQ(f.World.messages, (std::vector<std::string>{"Error Saving Configuration"}));
  EXPECT_FALSE(fs::exists(preview));
}

}  // namespace

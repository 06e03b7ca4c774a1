// The open and save picture dialogs on the offscreen platform, driven from timers inside their
// modal runs: a selected JPEG shows its pixels and facts, a filter changes the listed files, the
// confirmation can keep the dialog open, an existing file is replaced only when the user agrees,
// and cancelling keeps the old answer. Every run is ended by the test's own timers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <functional>

#include "imaging/components/kestrix.h"
#include "imaging/dialogs/file_facts.h"
#include "imaging/dialogs/picture_panel.h"
#include "imaging/dialogs/preview_plan.h"
#include "imaging/dialogs/preview_window.h"
#include "imaging/dialogs/save_dialog.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::SameBitmap;

namespace {

// A fresh folder holding the given files (copies of `source`, or `text` bytes when empty).
std::string FolderWith(const std::vector<std::pair<std::string, std::string>>& files) {
  const std::string folder = kxtest::TempPath("");
  std::filesystem::create_directory(folder);
  for (const auto& [name, source] : files) {
    if (source.empty())
      kxtest::WriteFile(folder + "/" + name, {'t', 'e', 'x', 't'});
    else
      std::filesystem::copy_file(source, folder + "/" + name);
  }
  return folder;
}

std::string Fixture(const char* name) { return kxtest::SourceDir() + "/tests/fixtures/jpeg/" + name; }

// Runs `body` once the modal run of `dialog` has started; a second timer ends a run that the
// body left open, so no test can hang.
bool RunWith(TOpenKestrixDialog& dialog, const std::function<void(QFileDialog&)>& body) {
  QTimer::singleShot(0, [&] {
    ASSERT_NE(dialog.Dialog(), nullptr);
    body(*dialog.Dialog());
  });
  QTimer::singleShot(20000, [&] {
    if (dialog.Dialog()) dialog.Dialog()->reject();
  });
  return dialog.Execute();
}

// The names the dialog's list shows in its current folder, once it has read the folder.
QStringList Listed(QFileDialog& dialog) {
  auto* list = dialog.findChild<QListView*>("listView");
  QStringList names;
  if (!list) return names;
  const QModelIndex root = list->rootIndex();
  for (int row = 0; row < list->model()->rowCount(root); ++row)
    names << list->model()->index(row, 0, root).data().toString();
  names.sort();
  return names;
}

bool ListedBecomes(QFileDialog& dialog, const QStringList& names) {
  return QTest::qWaitFor([&] { return Listed(dialog) == names; }, 5000);
}

// The dialog's confirmation as its Open or Save button gives it.
void Confirm(QFileDialog& dialog) { QMetaObject::invokeMethod(&dialog, "accept", Qt::DirectConnection); }

QLineEdit* NameEdit(QFileDialog& dialog) { return dialog.findChild<QLineEdit*>("fileNameEdit"); }

// Picks the `index`-th filter as the user does, through the dialog's type list.
void ChooseFilter(QFileDialog& dialog, int index) {
  auto* combo = dialog.findChild<QComboBox*>("fileTypeCombo");
  ASSERT_NE(combo, nullptr);
  combo->setCurrentIndex(index);
  emit combo->activated(index);
  emit combo->textActivated(combo->itemText(index));
}

// Answers the next message box with `button` as soon as it shows; true when one showed.
void AnswerNextMessageBox(QMessageBox::StandardButton button, bool& answered) {
  auto* poll = new QTimer;
  int tries = 0;
  QObject::connect(poll, &QTimer::timeout, [poll, button, &answered, tries]() mutable {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
        answered = true;
        box->button(button)->click();
        poll->deleteLater();
        return;
      }
    if (++tries > 200) poll->deleteLater();
  });
  poll->start(20);
}

struct TEvents {
  int Selections = 0, Types = 0, Shows = 0, Closes = 0, Asked = 0;
  bool Allow = true;
  void Selection(void*) { ++Selections; }
  void Type(void*) { ++Types; }
  void Show(void*) { ++Shows; }
  void Close(void*) { ++Closes; }
  void CanClose(void*, bool& canClose) {
    ++Asked;
    canClose = Allow;
  }
  void Attach(TOpenKestrixDialog& d) {
    d.OnSelectionChange = TKXDialogNotify::Bind<&TEvents::Selection>(this);
    d.OnTypeChange = TKXDialogNotify::Bind<&TEvents::Type>(this);
    d.OnShow = TKXDialogNotify::Bind<&TEvents::Show>(this);
    d.OnClose = TKXDialogNotify::Bind<&TEvents::Close>(this);
    d.OnCanClose = TKXCanCloseEvent::Bind<&TEvents::CanClose>(this);
  }
};

// Our own load of a file: pixels and the parameter read's facts.
struct TOwnLoad {
  TKestrix View;
  TKXFileFacts Facts;
  explicit TOwnLoad(const std::string& path, TIOJPEGScale scale = ioJPEG_FULLSIZE) {
    View.ParamsFromFile(path);
    Facts = KXFileFacts(&View.IOParams(), 1, int64_t(std::filesystem::file_size(path)), msEnglish);
    View.IOParams().JPEG_Scale = scale;
    View.LoadFromFile(path);
  }
};

}  // namespace

TEST(PictureDialogs, SelectedJpegShowsItsPixelsAndFactsAndOtherItemsShowNothing) {
  const std::string folder = FolderWith({{"photo.jpg", Fixture("cjpeg_420.jpg")}, {"notes.txt", ""}});
  const std::string photo = folder + "/photo.jpg";
  TOwnLoad own(photo);
  ASSERT_FALSE(own.View.Aborting());
  TOpenKestrixDialog dialog;
  dialog.SetMsgLanguage(msEnglish);
  dialog.SetInitialDir(folder + "/");
  TEvents events;
  events.Attach(dialog);
  RunWith(dialog, [&](QFileDialog& d) {
    TKXPicturePanel* panel = dialog.PicturePanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(d.directory().absolutePath().toStdString(), folder);
    emit d.currentChanged(QString::fromStdString(photo));
    EXPECT_TRUE(SameBitmap(panel->Preview().Bitmap(), own.View.Bitmap()));
    EXPECT_EQ(panel->Facts(), own.Facts);
    EXPECT_EQ(panel->Facts().Dimensions, "97 x 61 pixel");
    EXPECT_EQ(d.findChild<QLabel*>("InfoLabel2")->text().toStdString(), own.Facts.Sizes);
    EXPECT_EQ(d.findChild<QLabel*>("PicLabel1")->text(), "97 x 61 pixel");
    ASSERT_TRUE(panel->PreviewButton()->isEnabled());
    panel->ZoomCombo()->setCurrentIndex(8);
    EXPECT_EQ(panel->Preview().Zoom(), 200);
    panel->ZoomCombo()->setCurrentIndex(0);
    // Fitted: the picture is wider than high, so it spans the preview's width.
    EXPECT_NEAR(panel->Preview().ZoomedWidth(), panel->Preview().ClientWidth(), 1);

    panel->PreviewCheck()->setChecked(false);
    EXPECT_EQ(panel->Facts(), TKXFileFacts{});
    EXPECT_FALSE(panel->PreviewButton()->isEnabled());
    panel->PreviewCheck()->setChecked(true);
    EXPECT_EQ(panel->Facts(), own.Facts);
    EXPECT_TRUE(SameBitmap(panel->Preview().Bitmap(), own.View.Bitmap()));

    panel->PreviewButton()->click();
    TKXPreviewWindow* window = panel->PreviewWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(SameBitmap(window->View().Bitmap(), own.View.Bitmap()));
    EXPECT_EQ(window->size(), QSize(100, 100));  // at least 100 pixels a side
    window->close();

    for (const std::string& nothing : {folder + "/notes.txt", folder, folder + "/gone.jpg"}) {
      emit d.currentChanged(QString::fromStdString(photo));
      emit d.currentChanged(QString::fromStdString(nothing));
      EXPECT_EQ(panel->Facts(), TKXFileFacts{}) << nothing;
      EXPECT_TRUE(d.findChild<QLabel*>("InfoLabel1")->text().isEmpty()) << nothing;
      EXPECT_FALSE(panel->PreviewButton()->isEnabled()) << nothing;
    }
    d.reject();
  });
  EXPECT_EQ(events.Shows, 1);
  EXPECT_EQ(events.Closes, 1);
  EXPECT_EQ(events.Selections, 7);
  EXPECT_EQ(dialog.PicturePanel(), nullptr);
}

TEST(PictureDialogs, LargeJpegPreviewIsDecodedReducedWithTheFactsOfTheWholePicture) {
  const std::string big = kxtest::TempPath(".jpg");
  {
    TKestrix writer;
    const TBitmap picture = kxtest::MakePicture(1800, 1800);
    writer.Assign(&picture);
    writer.SaveToFile(big);
    ASSERT_FALSE(writer.Aborting());
  }
  TOwnLoad own(big, ioJPEG_EIGHTH);
  ASSERT_EQ(own.View.Bitmap().Width(), 225);
  TOpenKestrixDialog dialog;
  RunWith(dialog, [&](QFileDialog& d) {
    emit d.currentChanged(QString::fromStdString(big));
    EXPECT_TRUE(SameBitmap(dialog.PicturePanel()->Preview().Bitmap(), own.View.Bitmap()));
    EXPECT_EQ(dialog.PicturePanel()->Facts().Dimensions, "1800 x 1800 pixel");
    d.reject();
  });
}

TEST(PictureDialogs, ChoosingAFilterChangesTheListedFiles) {
  const std::string folder = FolderWith({{"a.jpg", Fixture("cjpeg_gray.jpg")}, {"b.txt", ""}});
  TOpenKestrixDialog dialog;
  dialog.SetAutoSetFilter(false);
  dialog.SetFilter("Pictures|*.jpg|Notes|*.txt");
  dialog.SetInitialDir(folder);
  TEvents events;
  events.Attach(dialog);
  RunWith(dialog, [&](QFileDialog& d) {
    EXPECT_TRUE(ListedBecomes(d, {"a.jpg"})) << Listed(d).join(",").toStdString();
    ChooseFilter(d, 1);
    EXPECT_TRUE(ListedBecomes(d, {"b.txt"})) << Listed(d).join(",").toStdString();
    EXPECT_EQ(dialog.CurrentPatterns(), "*.txt");
    EXPECT_EQ(events.Types, 1);
    d.reject();
  });
  EXPECT_EQ(dialog.FilterIndex(), 1);  // cancelled: the old index stays
}

TEST(PictureDialogs, OpenConfirmsOnlyWhenOnCanCloseAllows) {
  const std::string folder = FolderWith({{"a.jpg", Fixture("cjpeg_gray.jpg")}});
  TOpenKestrixDialog dialog;
  dialog.SetInitialDir(folder);
  dialog.SetDefaultExt("png");
  TEvents events;
  events.Attach(dialog);
  events.Allow = false;
  const bool confirmed = RunWith(dialog, [&](QFileDialog& d) {
    NameEdit(d)->setText("a.jpg");
    Confirm(d);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(dialog.FileName(), "");
    events.Allow = true;
    Confirm(d);
  });
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(events.Asked, 2);
  EXPECT_EQ(dialog.FileName(), folder + "/a.jpg");
  EXPECT_EQ(dialog.Files(), std::vector<std::string>{folder + "/a.jpg"});
  EXPECT_EQ(dialog.History().Folders(), std::vector<std::string>{folder});
  EXPECT_TRUE(dialog.Options().Contains(ofExtensionDifferent));
}

TEST(PictureDialogs, MultipleSelectionGivesEveryFileWithTheFirstAsFileName) {
  const std::string folder = FolderWith({{"a.jpg", Fixture("cjpeg_gray.jpg")}, {"b.jpg", Fixture("cjpeg_gray.jpg")}});
  TOpenKestrixDialog dialog;
  dialog.SetInitialDir(folder);
  dialog.SetOptions({ofAllowMultiSelect});
  EXPECT_TRUE(RunWith(dialog, [&](QFileDialog& d) {
    NameEdit(d)->setText("\"b.jpg\" \"a.jpg\"");
    Confirm(d);
  }));
  EXPECT_EQ(dialog.Files(), (std::vector<std::string>{folder + "/b.jpg", folder + "/a.jpg"}));
  EXPECT_EQ(dialog.FileName(), folder + "/b.jpg");
}

TEST(PictureDialogs, CancelKeepsTheFileName) {
  for (bool save : {false, true}) {
    std::unique_ptr<TOpenKestrixDialog> dialog =
        save ? std::make_unique<TSaveKestrixDialog>() : std::make_unique<TOpenKestrixDialog>();
    dialog->SetFileName("/nowhere/keep.jpg");
    EXPECT_FALSE(RunWith(*dialog, [](QFileDialog& d) { d.reject(); })) << save;
    EXPECT_EQ(dialog->FileName(), "/nowhere/keep.jpg") << save;
    EXPECT_TRUE(dialog->Files().empty()) << save;
  }
}

TEST(PictureDialogs, SaveOverAnExistingFileAsksAndARefusalKeepsTheDialogOpen) {
  const std::string folder = FolderWith({{"old.jpg", Fixture("cjpeg_gray.jpg")}});
  TSaveKestrixDialog dialog;
  dialog.SetInitialDir(folder);
  dialog.SetFilterIndex(4);  // JPEG: a name without extension is completed with .jpg
  bool asked = false, askedAgain = false;
  const bool confirmed = RunWith(dialog, [&](QFileDialog& d) {
    NameEdit(d)->setText("old");  // completed to old.jpg, which exists
    AnswerNextMessageBox(QMessageBox::No, asked);
    Confirm(d);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(d.isVisible());
    AnswerNextMessageBox(QMessageBox::Yes, askedAgain);
    Confirm(d);
  });
  EXPECT_TRUE(askedAgain);
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(dialog.FileName(), folder + "/old.jpg");
}

TEST(PictureDialogs, SaveCompletesTypedNamesAndRenamesOnATypeChange) {
  const std::string folder = FolderWith({});
  TSaveKestrixDialog dialog;
  dialog.SetAutoSetFilter(false);
  dialog.SetFilter("JPEG Bitmap (JPG)|*.jpg;*.jpeg|Portable Network Graphics (PNG)|*.png");
  dialog.SetInitialDir(folder);
  const bool confirmed = RunWith(dialog, [&](QFileDialog& d) {
    NameEdit(d)->setText("my.holiday.jpg");
    ChooseFilter(d, 1);
    EXPECT_EQ(NameEdit(d)->text(), "my.holiday.png");
    NameEdit(d)->setText("plain");
    Confirm(d);
  });
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(dialog.FileName(), folder + "/plain.png");
  EXPECT_EQ(dialog.FilterIndex(), 2);

  dialog.SetDefaultExt("jpg");
  EXPECT_TRUE(RunWith(dialog, [&](QFileDialog& d) {
    NameEdit(d)->setText("other");
    Confirm(d);
  }));
  EXPECT_EQ(dialog.FileName(), folder + "/other.jpg");
}

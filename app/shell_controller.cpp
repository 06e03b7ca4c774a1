// The shell's commands, start-up steps and close sequence.
#include "app/shell_controller.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "app/mail_outbox.h"
#include "imaging/core/file_replace.h"
#include "imaging/core/stream.h"
#include "imaging/proc/orientation.h"
#include "platform/clipboard.h"

namespace quillop {

using namespace kx;

namespace {

constexpr const char* kNoPicture = "There is no picture yet: scan, load or paste one first.";
constexpr const char* kNoScanner = "No scanner was found on this computer.";
constexpr const char* kNoScannerChosen = "No scanner is chosen: choose one with \"Setup Scanner\".";
constexpr const char* kClipboardEmpty = "The clipboard holds no picture.";
constexpr const char* kClipboardBusy = "The clipboard cannot be used now: another program holds it.";
constexpr const char* kOS2Bitmap = "OS/2 Bitmap (BMP)";

// The extension of the file's own name, lower case, without its dot; empty when it has none.
std::string ExtensionOf(const std::string& fileName) {
  const size_t slash = fileName.find_last_of('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos || dot <= nameStart) return {};
  std::string ext = fileName.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return ext;
}

// Whether the preview's own bytes are what a save under `ext` writes.
bool IsJpegExtension(const std::string& ext) { return ext == "jpg" || ext == "jpeg" || ext == "jpe"; }

std::string ReasonOf(const TKestrix& k, const char* otherwise) {
  const std::string& reason = k.Diagnostics().Reason;
  return reason.empty() ? otherwise : reason;
}

// Closes the wait window on every way out of a command.
class TWaitScope {
 public:
  explicit TWaitScope(TWaitWindow& wait) : fWait(wait) {}
  ~TWaitScope() { fWait.Close(); }
  TWaitScope(const TWaitScope&) = delete;
  TWaitScope& operator=(const TWaitScope&) = delete;

 private:
  TWaitWindow& fWait;
};

}  // namespace

TShellController::TShellController(const TShellPorts& ports, TSettingsStore& store, TPreviewFiles& previews,
                                   std::string outbox, TFileClock now)
    : fPorts(ports),
      fStore(store),
      fPreviews(previews),
      fOutbox(std::move(outbox)),
      fNow(now ? std::move(now) : TFileClock([] { return std::filesystem::file_time_type::clock::now(); })),
      fPipeline(previews, ports.Cursor) {
  // A rebuild at the end of a slider move is a command like any other: its failure is shown.
  for (TSliderModel* slider :
       {&fPipeline.SB_JpegCompress, &fPipeline.SB_Brightness, &fPipeline.SB_Contrast, &fPipeline.SB_JpegSmooth})
    slider->OnChanged = TSliderEvent::Bind<&TShellController::SliderChanged>(this);
  fTimer1 = fPorts.Timers.Start(kStartupTimerMs, [this] { Timer1Timer(); });
  fAboutTimer = fPorts.Timers.Start(kAboutTimerMs, [this] { AboutTimerTimer(); });
}

TShellController::~TShellController() {
  for (int64_t timer : {fTimer1, fTimer2, fAboutTimer}) fPorts.Timers.Stop(timer);
}

void TShellController::Start() {
  RemoveOldMailCopies(fOutbox, fNow());
  fScannerNames = fPorts.Scanner.SourceNames();
  bool firstRun = false;
  const TSettings settings = StartupSettings(fStore, &firstRun);
  fFirstRun = firstRun;
  fMRUD = settings.MRUD;
  fTwainSource = settings.TwainSource;
  if (firstRun) {
    fStartupDone = true;
    const int32_t listed = fScannerNames.empty() ? -1 : 0;
    fTwainSource = fPorts.Chooser.ChooseScanner(fScannerNames, listed).value_or(listed);
  }
  fPipeline.SB_JpegSmooth.SetValue(settings.JPEGSmooth);
  fPipeline.SB_JpegCompress.SetValue(settings.JPEGComp);
  fPipeline.SB_Brightness.SetValue(0);
  fPipeline.SB_Contrast.SetValue(0);
  fStartupDone = true;
  fPorts.Windows.ShowMain();
  OnStateChange(this);
}

void TShellController::Timer1Timer() {
  fPorts.Timers.Stop(fTimer1);
  // A nested modal loop can deliver a tick that was already due: the step runs once.
  if (fTimer1Ran) return;
  fTimer1Ran = true;
  fTimer2 = fPorts.Timers.Start(kStartupTimerMs, [this] { Timer2Timer(); });
  fPorts.Windows.ShowSplash(kSplashLoading);
  // A picture that arrived already (named on the command line, or loaded during the scanner
  // dialog) keeps its preview and its adjustments.
  if (!fPipeline.HasPicture()) {
    fPipeline.SB_Brightness.SetValue(0);
    fPipeline.SB_Contrast.SetValue(0);
  }
  fStartupDone = true;
}

void TShellController::Timer2Timer() {
  if (!fStartupDone) return;
  fPorts.Timers.Stop(fTimer2);
  fPorts.Windows.CloseSplash();
}

void TShellController::AboutTimerTimer() {
  if (!fStartupDone) return;
  fPorts.Timers.Stop(fAboutTimer);
  fPorts.Windows.CloseSplash();
}

bool TShellController::Run(const std::function<void()>& command) {
  std::string failure;
  try {
    const TWaitScope wait(fPorts.Wait);
    const TBusyCursorScope busy(fPorts.Cursor);
    command();
    return true;
  } catch (const EControlDestroyed&) {
    throw;
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "The command failed for a reason that cannot be told.";
  }
  // Shown once the wait window and the busy cursor are gone.
  fPorts.Messages.ShowMessage(failure);
  return false;
}

bool TShellController::HavePicture() {
  if (fPipeline.HasPicture()) return true;
  fPorts.Messages.ShowMessage(kNoPicture);
  return false;
}

void TShellController::SliderChanged(TSliderModel*) {
  if (fPipeline.HasPicture()) Run([this] { fPipeline.SaveTempJpeg(); });
}

void TShellController::TakePicture(TKestrix& arrived) {
  if (arrived.Bitmap().Empty()) throw EPreviewError("The picture is empty: nothing was changed.");
  // What a failed preparation gives back: the source and the edited working copy.
  TKestrix previous;
  previous.Assign(&fPipeline.Kestrix_Save);
  const TBitmap working = fPipeline.Kestrix_Buffer.Bitmap();
  fPipeline.Kestrix_Save.Assign(&arrived);
  try {
    fPipeline.PreProcessImage();
  } catch (...) {
    fPipeline.Kestrix_Save.Assign(&previous);
    fPipeline.Kestrix_Buffer.Assign(&working);
    throw;
  }
  OnStateChange(this);
}

void TShellController::PB_ScanClick() {
  Run([this] {
    if (fScannerNames.empty()) return fPorts.Messages.ShowMessage(kNoScanner);
    if (fTwainSource < 0 || fTwainSource >= int32_t(fScannerNames.size()))
      return fPorts.Messages.ShowMessage(kNoScannerChosen);
    fPorts.Wait.Show(kWaitScanning);
    TKestrix arrived;
    std::string reason;
    const TScanOutcome outcome = fPorts.Scanner.Acquire(fTwainSource, arrived, reason);
    if (outcome == TScanOutcome::Cancelled) return;
    if (outcome == TScanOutcome::Failed) {
      fPorts.Wait.Close();
      return fPorts.Messages.ShowMessage(reason.empty() ? std::string(kAcquisitionFailed)
                                                        : std::string(kAcquisitionFailed) + "\n\n" + reason);
    }
    fPorts.Wait.Show(kWaitProcessing);
    TakePicture(arrived);
  });
}

void TShellController::LoadInto(const std::string& file) {
  fPorts.Wait.Show(kWaitLoading);
  TKestrix arrived;
  arrived.LoadFromFile(file);
  if (arrived.Aborting())
    throw std::runtime_error(
        "\"" + file + "\" could not be loaded: " + ReasonOf(arrived, "its format is not one Quillop reads") + ".");
  // A camera stores the picture as the sensor saw it and notes how it was held: shown and sent
  // upright, as the photographer saw it.
  KXOrientUpright(arrived.Bitmap(), arrived.IOParams().EXIF_Orientation);
  TakePicture(arrived);
}

void TShellController::PB_LoadClick() {
  Run([this] {
    const std::optional<std::string> chosen = fPorts.Chooser.ChooseOpen(fMRUD);
    if (!chosen) return;
    LoadInto(*chosen);
    fMRUD = FolderOfFile(*chosen);
  });
}

void TShellController::LoadPicture(const std::string& file) {
  Run([&] { LoadInto(file); });
}

void TShellController::PB_PasteClick() {
  Run([this] {
    {
      TClipboard& clipboard = KXClipboard();
      const TClipboardSession session(clipboard);
      if (!session.IsOpen()) return fPorts.Messages.ShowMessage(kClipboardBusy);
      if (!clipboard.Has(kClipboardDIB)) return fPorts.Messages.ShowMessage(kClipboardEmpty);
    }
    TKestrix arrived;
    arrived.PasteFromClipboard();
    if (arrived.Bitmap().Empty())
      return fPorts.Messages.ShowMessage("The picture on the clipboard could not be read: nothing was changed.");
    TakePicture(arrived);
  });
}

void TShellController::PB_EmailClick() {
  Run([this] {
    if (!HavePicture()) return;
    fPorts.Wait.Show(kWaitMailing);
    const std::string copy = KeepForMail(fOutbox, fPipeline.PreviewBytes());
    fLastMailCopy = copy;
    const TMailResult result = fPorts.Mail.Send(copy);
    fPorts.Wait.Close();
    const std::string detail = result.Detail.empty() ? "" : "\n\n" + result.Detail;
    switch (result.Outcome) {
      case TMailOutcome::Handed:
        return;
      case TMailOutcome::NoMailProgram:
        return fPorts.Messages.ShowMessage("No e-mail program is set up on this computer. The picture is kept as \"" +
                                           copy + "\" to attach by hand." + detail);
      case TMailOutcome::ToolMissing:
        return fPorts.Messages.ShowMessage(
            "The picture cannot be handed to an e-mail program: xdg-email (of xdg-utils) is not installed. The "
            "picture is kept as \"" +
            copy + "\" to attach by hand.");
      case TMailOutcome::Failed:
        return fPorts.Messages.ShowMessage("The e-mail program could not be started. The picture is kept as \"" + copy +
                                           "\" to attach by hand." + detail);
    }
  });
}

void TShellController::PB_SaveClick() {
  Run([this] {
    if (!HavePicture()) return;
    const std::optional<TSaveChoice> choice = fPorts.Chooser.ChooseSave();
    if (!choice || choice->FileName.empty()) return;
    std::string name = choice->FileName;
    if (ExtensionOf(name).empty()) name += ".jpg";
    const std::string ext = ExtensionOf(name);
    if (IsJpegExtension(ext)) {
      // The very bytes that are mailed, not a second encoding of the decoded preview.
      const std::vector<uint8_t>& bytes = fPipeline.PreviewBytes();
      KXReplaceFile(name, [&](TStream& file) {
        file.WriteBuffer(bytes.data(), int64_t(bytes.size()));
        return true;
      });
      return;
    }
    TKestrix& display = fPipeline.Kestrix_Display;
    TIOParamsVals& params = display.IOParams();
    const TIOBMPVersion version = params.BMP_Version;
    if (choice->TypeDescription == kOS2Bitmap) params.BMP_Version = ioBMP_BMOS2V1;
    try {
      display.SaveToFile(name);
    } catch (...) {
      params.BMP_Version = version;
      throw;
    }
    params.BMP_Version = version;
    if (display.Aborting())
      throw std::runtime_error("The picture could not be saved as \"" + name +
                               "\": " + ReasonOf(display, ("Quillop cannot write ." + ext + " files").c_str()) + ".");
  });
}

void TShellController::PB_CopyClick() {
  Run([this] {
    if (!HavePicture()) return;
    {
      const TClipboardSession session(KXClipboard());
      if (!session.IsOpen()) return fPorts.Messages.ShowMessage(kClipboardBusy);
    }
    fPipeline.Kestrix_Display.CopyToClipboard();
  });
}

void TShellController::PB_SetupClick() {
  Run([this] {
    const bool listed = fTwainSource >= 0 && fTwainSource < int32_t(fScannerNames.size());
    const std::optional<int32_t> chosen = fPorts.Chooser.ChooseScanner(fScannerNames, listed ? fTwainSource : -1);
    if (!chosen) return;
    fTwainSource = *chosen;
    OnStateChange(this);
  });
}

void TShellController::Label13Click() {
  Run([this] {
    if (!fPorts.Web.Open(kProductPage))
      fPorts.Messages.ShowMessage(std::string("The web page ") + kProductPage +
                                  " could not be opened: no web browser is set up.");
  });
}

TSettings TShellController::CurrentSettings() const {
  TSettings s;
  s.MRUD = fMRUD;
  s.TwainSource = fTwainSource;
  s.JPEGComp = fPipeline.JPEGComp;
  s.JPEGSmooth = fPipeline.JPEGSmooth;
  s.Brightness = fPipeline.Brightness;
  s.Contrast = fPipeline.Contrast;
  return s;
}

void TShellController::FormCloseQuery() {
  for (int64_t timer : {fTimer1, fTimer2, fAboutTimer}) fPorts.Timers.Stop(timer);
  WriteSettings(fStore, CurrentSettings(), [this](const std::string& text) { fPorts.Messages.ShowMessage(text); });
  fPreviews.DeletePreview();
}

}  // namespace quillop

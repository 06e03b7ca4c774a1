// `kestrix scan OUT` and `kestrix scan --list`: the application's acquisition entry points with
// the SANE bridge as the source manager, so the tool scans exactly as a desktop program would,
// without the scanner's dialog. OUT is written as `convert` writes its output.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/io/ioparams.h"
#include "imaging/scan/twain_acquire.h"
#include "imaging/scan/twain_params.h"
#include "platform/source_manager.h"
#include "tools/kestrix/commands.h"
#include "tools/kestrix/errors.h"
#include "tools/kestrix/formats.h"
#include "tools/kestrix/picture_io.h"
#ifdef KX_HAVE_SANE
#include "platform/sane/sane_source_manager.h"
#include "platform/sane/sane_test_backend.h"
#endif

namespace kestrix {
namespace {

// What the tool writes a scan as in JPEG, as `convert` does.
constexpr int32_t kToolJpegQuality = 90;

// SANE's virtual test scanner for one run: a private configuration folder, removed afterwards.
class TTestScanner {
 public:
  TTestScanner() {
    std::error_code error;
    fFolder = std::filesystem::temp_directory_path(error) / ("kestrix-sane-" + std::to_string(getpid()));
#ifdef KX_HAVE_SANE
    const std::string failure = kx::KXEnableSaneTestBackend(fFolder.string());
    if (!failure.empty()) throw EOperationFailure("the test scanner: " + failure);
#else
    throw EOperationFailure("this kestrix was built without SANE: no test scanner");
#endif
  }
  ~TTestScanner() {
    std::error_code error;
    std::filesystem::remove_all(fFolder, error);
  }
  TTestScanner(const TTestScanner&) = delete;
  TTestScanner& operator=(const TTestScanner&) = delete;

 private:
  std::filesystem::path fFolder;
};

std::string NameOf(const kx::TW_STR32& field) { return std::string(field, strnlen(field, sizeof field)); }

int ListScanners(const std::vector<kx::TW_IDENTITY>& sources) {
  for (const kx::TW_IDENTITY& id : sources)
    std::printf("%s\t%s %s\n", NameOf(id.ProductName).c_str(), NameOf(id.Manufacturer).c_str(),
                NameOf(id.ProductFamily).c_str());
  return 0;
}

// The index of the scanner called exactly `name` in the parameters' list.
int32_t FindScanner(kx::TKXTWainParams& params, const std::string& name) {
  for (int32_t i = 0; i < params.GetSourceCount(); ++i)
    if (params.GetSourceName(i) == name) return i;
  throw EOperationFailure("no scanner called \"" + name + "\" (kestrix scan --list names them)");
}

}  // namespace

int RunScan(const TCommandLine& cl) {
  // A name no writer takes is refused before the scanner moves.
  const kx::TIOFileType outputType = cl.ScanList ? kx::ioUnknown : OutputFileType(cl.Files[0], cl.OutputFormat);
  std::optional<TTestScanner> testScanner;
  if (cl.TestScanner) testScanner.emplace();
#ifdef KX_HAVE_SANE
  kx::TSourceManagerScope manager(kx::KXSaneSourceManagerLoader());
#endif
  std::vector<kx::TW_IDENTITY> sources;
  if (!kx::KXTW_GetSourceList(sources) || sources.empty()) throw EOperationFailure("no scanner found");
  if (cl.ScanList) return ListScanners(sources);

  kx::TKXTWainParams params;
  if (!cl.ScanSource.empty()) params.SetSelectedSource(FindScanner(params, cl.ScanSource));
  params.ShowSourceDialog = false;
  if (cl.ScanDpi > 0) {
    params.GetXResolution().SetCurrentValue(cl.ScanDpi);
    params.GetYResolution().SetCurrentValue(cl.ScanDpi);
  }
  if (cl.ScanPixelType >= 0) params.GetPixelType().SetCurrentValue(cl.ScanPixelType);

  kx::TBitmap bitmap;
  kx::TIOParamsVals io;
  kx::TProgressRec progress = kx::NullProgress();
  if (!kx::KXTW_Acquire(0, &bitmap, false, {}, &params, &io, progress))
    throw EOperationFailure("the scan failed: " + params.GetSourceName(params.SelectedSource()) + " delivered no page");
  io.JPEG_Quality = kToolJpegQuality;
  SavePicture(cl.Files[0], outputType, bitmap, io, cl.Quiet);
  return 0;
}

}  // namespace kestrix

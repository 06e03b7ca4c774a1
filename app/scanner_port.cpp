// The binding of TScanner to the library: the source list of a scanner parameters object, and
// the composite's acquisition with the chosen source and its own dialog.
#include "app/scanner_port.h"

#include "imaging/components/kestrix.h"
#include "imaging/scan/twain_params.h"
#if KX_HAVE_SANE
#include "platform/sane/sane_test_backend.h"
#endif

namespace quillop {

std::vector<std::string> TKestrixScanner::SourceNames() {
  kx::TKXTWainParams params;
  std::vector<std::string> names;
  const int32_t count = params.GetSourceCount();
  for (int32_t i = 0; i < count; ++i) names.push_back(params.GetSourceName(i));
  return names;
}

TScanOutcome TKestrixScanner::Acquire(int32_t index, kx::TKestrix& target, std::string& reason) {
  kx::TKXTWainParams& params = target.TWainParams();
  params.SetSelectedSource(index);
  params.ShowSourceDialog = true;
  params.Update();
  if (target.Acquire()) return TScanOutcome::Acquired;
  // A failure sets the abort flag with its reason; the user's cancel sets nothing.
  if (!target.Aborting()) return TScanOutcome::Cancelled;
  reason = target.Diagnostics().Reason.empty() ? "the scanner did not deliver a picture" : target.Diagnostics().Reason;
  return TScanOutcome::Failed;
}

std::string EnableDemoScanner(const std::string& folder) {
#if KX_HAVE_SANE
  return kx::KXEnableSaneTestBackend(folder);
#else
  (void)folder;
  return "this build of Quillop has no scanner support";
#endif
}

}  // namespace quillop

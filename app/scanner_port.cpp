// The binding of TScanner to the library. This build has no scanning in the library yet, so the
// list is empty and a scan reports that; once the composite scans, SourceNames reads
// TWainParams().GetSourceCount() and GetSourceName(i), Acquire sets SetSelectedSource(index),
// ShowSourceDialog and Update() on the target's TWainParams() and tells a cancel (Aborting())
// from a failure of Acquire(), and EnableDemoScanner is KXEnableSaneTestBackend.
#include "app/scanner_port.h"

#include "imaging/components/kestrix.h"

namespace quillop {

namespace {
constexpr const char* kNoScanning = "this build of Quillop cannot use scanners";
}

std::vector<std::string> TKestrixScanner::SourceNames() { return {}; }

TScanOutcome TKestrixScanner::Acquire(int32_t, kx::TKestrix&, std::string& reason) {
  reason = kNoScanning;
  return TScanOutcome::Failed;
}

std::string EnableDemoScanner(const std::string&) { return kNoScanning; }

}  // namespace quillop

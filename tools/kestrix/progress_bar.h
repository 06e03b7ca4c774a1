// A text progress bar on standard error for long reads and writes.
#pragma once

#include <chrono>
#include <string>

#include "imaging/core/progress.h"

namespace kestrix {

// Feeds on the progress events of one job. It draws only on a terminal, only when not
// silenced, and only once the job has run long enough to be worth watching; Finish clears it.
class TProgressBar {
 public:
  TProgressBar(std::string label, bool enabled);
  ~TProgressBar();
  TProgressBar(const TProgressBar&) = delete;
  TProgressBar& operator=(const TProgressBar&) = delete;

  // A progress record whose events reach this bar and whose abort flag is `aborting`.
  kx::TProgressRec Record(bool& aborting);
  void Finish();

 private:
  void OnProgress(void* sender, int percent);

  std::string fLabel;
  bool fEnabled;
  bool fDrawn = false;
  int fLastPercent = -1;
  std::chrono::steady_clock::time_point fStart;
};

}  // namespace kestrix

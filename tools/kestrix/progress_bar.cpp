// The progress bar: one line on standard error redrawn in place.
#include "tools/kestrix/progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace kestrix {
namespace {
// Quick jobs finish before this and never flash a bar.
constexpr auto kShowAfter = std::chrono::milliseconds(300);
constexpr int kBarWidth = 40;
}  // namespace

TProgressBar::TProgressBar(std::string label, bool enabled)
    : fLabel(std::move(label)), fEnabled(enabled && isatty(STDERR_FILENO)), fStart(std::chrono::steady_clock::now()) {}

TProgressBar::~TProgressBar() { Finish(); }

kx::TProgressRec TProgressBar::Record(bool& aborting) {
  kx::TProgressRec rec;
  if (fEnabled) rec.fOnProgress = kx::TProgressEvent::Bind<&TProgressBar::OnProgress>(this);
  rec.Sender = this;
  rec.Aborting = &aborting;
  return rec;
}

void TProgressBar::OnProgress(void*, int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == fLastPercent || std::chrono::steady_clock::now() - fStart < kShowAfter) return;
  fLastPercent = percent;
  const int filled = percent * kBarWidth / 100;
  const std::string bar = std::string(size_t(filled), '#') + std::string(size_t(kBarWidth - filled), ' ');
  std::fprintf(stderr, "\r%s [%s] %3d%%", fLabel.c_str(), bar.c_str(), percent);
  std::fflush(stderr);
  fDrawn = true;
}

void TProgressBar::Finish() {
  if (!fDrawn) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  fDrawn = false;
}

}  // namespace kestrix

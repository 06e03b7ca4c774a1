// One preview of the I/O parameters dialog: the picture saved with the page's options into
// memory by the registry's writer and read back by its reader, so the result and its size are
// exactly what saving produces, for every format the registry writes (no code per format).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/io/ioparams.h"

namespace kx {

// What one preview works on. The pictures are shared with the editor that made the job and
// are only read (the writers get copies), so a job may run on another thread.
struct TKXIOPreviewJob {
  TIOFileType FileType = ioUnknown;
  // The options as saving would get them.
  TIOParamsVals Params;
  // The whole picture, whose saved size is shown.
  std::shared_ptr<const TBitmap> Whole;
  // A reduced copy shown as the result when the whole picture is large, else null: the round
  // trip of a large picture would not fit the time a slider move may take.
  std::shared_ptr<const TBitmap> Reduced;
};

struct TKXIOPreviewResult {
  // The picture read back from the saved bytes (of the reduced copy when there is one).
  TBitmap Picture;
  // The bytes saving the whole picture produces; meaningful only when !Failed.
  int64_t Size = 0;
  // The writer or the reader gave up (or threw): there is no valid file to show a size of.
  bool Failed = false;
  // Stopped through `cancel`: the result is to be thrown away.
  bool Cancelled = false;
  // The colour map the saved file carries (empty for full-colour files).
  std::vector<TRGB> ColorMap;
};

// Runs a job. Progress (0..100 over the whole job) goes to `onProgress`; setting `cancel` from
// another thread stops the job at its next progress report.
TKXIOPreviewResult KXRunIOPreview(const TKXIOPreviewJob& job, const TProgressEvent& onProgress = {},
                                  const std::atomic<bool>* cancel = nullptr);

}  // namespace kx

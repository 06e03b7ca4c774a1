// The round trip behind every preview of the I/O parameters dialog.
#include "imaging/dialogs/io_params_preview.h"

#include <exception>

#include "imaging/core/nul_stream.h"
#include "imaging/core/pixelformat.h"
#include "imaging/core/stream.h"
#include "imaging/io/format_io.h"

namespace kx {

namespace {

// Maps a codec's own 0..100 onto its share of the job and turns a cancel request into the
// codec's abort flag, which the codec checks between its units of work.
struct TStageRelay {
  TProgressEvent OnProgress;
  const std::atomic<bool>* Cancel = nullptr;
  bool Aborting = false;
  bool Cancelled = false;
  int Offset = 0;
  int Share = 100;

  void Handler(void*, int percent) {
    if (Cancel && Cancel->load(std::memory_order_relaxed)) {
      Cancelled = true;
      Aborting = true;
      return;
    }
    OnProgress(nullptr, Offset + int(int64_t(percent) * Share / 100));
  }

  TProgressRec Progress(int offset, int share) {
    Offset = offset;
    Share = share;
    TProgressRec progress;
    progress.fOnProgress = TProgressEvent::Bind<&TStageRelay::Handler>(this);
    progress.Aborting = &Aborting;
    return progress;
  }
};

// Writes through the registry's choice for the type, as saving to a stream does without
// stream headers (a file save writes the same bytes). False when the writer gave up.
bool Write(const TKXFormatChoice& choice, TStream& stream, TBitmap& bitmap, TIOParamsVals& params,
           TProgressRec& progress) {
  if (choice.Row)
    KXWriteStreamImage(*choice.Row, stream, bitmap, params, false, progress);
  else if (choice.Record && choice.Record->WriteFunction)
    choice.Record->WriteFunction(stream, bitmap, params, progress);
  else
    progress.Abort();
  return !progress.Aborted();
}

}  // namespace

TKXIOPreviewResult KXRunIOPreview(const TKXIOPreviewJob& job, const TProgressEvent& onProgress,
                                  const std::atomic<bool>* cancel) {
  TKXIOPreviewResult result;
  if (!job.Whole) {
    result.Failed = true;
    return result;
  }
  const TKXFormatChoice choice = KXSaveChoiceForType(job.FileType);
  TStageRelay relay{.OnProgress = onProgress, .Cancel = cancel};
  const bool reduced = job.Reduced != nullptr;
  try {
    // Writers take their picture by reference: each gets a copy of its own, so a codec that
    // prepared its picture in place could never change the next preview's source.
    TBitmap shown = reduced ? *job.Reduced : *job.Whole;
    TIOParamsVals params;
    params.Assign(job.Params);
    TMemoryStream saved;
    TProgressRec progress = relay.Progress(0, reduced ? 25 : 50);
    bool ok = Write(choice, saved, shown, params, progress);
    result.ColorMap = params.ColorMap;
    result.Size = saved.Size();
    if (ok) {
      saved.Seek(0, soBeginning);
      // A fresh record, as a later load of the file starts with: a reader's own options (the
      // JPEG decoder's DCT method) must not make the file look better than it will.
      TIOParamsVals read;
      progress = relay.Progress(reduced ? 25 : 50, reduced ? 25 : 50);
      KXReadChoice(choice, saved, result.Picture, read, false, progress);
      ok = !progress.Aborted();
      // What the file carries, as a later load would see it.
      if (!read.ColorMap.empty()) result.ColorMap = read.ColorMap;
    }
    if (ok && reduced) {
      TNulStream counted;
      TIOParamsVals whole;
      whole.Assign(job.Params);
      progress = relay.Progress(50, 50);
      TBitmap all = *job.Whole;
      ok = Write(choice, counted, all, whole, progress);
      result.Size = counted.Size();
    }
    result.Failed = !ok;
  } catch (const std::exception&) {
    // The PNG writer reports its failures by throwing; a stream may too.
    result.Failed = true;
  }
  result.Cancelled = relay.Cancelled;
  if (result.Failed) result.Picture = TBitmap();
  return result;
}

}  // namespace kx

// `kestrix convert IN OUT`: load, turn upright, run the operations, save. The output format is
// settled before anything is read, so a name no writer takes costs nothing. The --set values go
// in before loading, for the reader's options, and again before saving, because the reader
// overwrites the fields it finds in the file.
#include <new>
#include <string>

#include "imaging/components/kestrix_proc.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/io/ioparams.h"
#include "imaging/proc/orientation.h"
#include "imaging/proc/pixel_convert.h"
#include "tools/kestrix/commands.h"
#include "tools/kestrix/errors.h"
#include "tools/kestrix/formats.h"
#include "tools/kestrix/picture_io.h"

namespace kestrix {
namespace {

// What the tool writes a JPEG at unless told otherwise: re-saving a photo at the parameter
// record's 50 is never what a user wants.
constexpr int32_t kToolJpegQuality = 90;

bool SetsField(const std::vector<TParamAssignment>& sets, std::string_view name) {
  for (const TParamAssignment& s : sets)
    if (s.Field->Name == name) return true;
  return false;
}

// Runs one --do row on the picture; 24-bit operations get a 24-bit copy of a 1-bit picture.
void RunOperation(const TOperationCall& call, kx::TBitmap& bitmap) {
  const std::string name(call.Operation->Name);
  try {
    if (bitmap.BitCount() == 1 && !call.Operation->TakesOneBit) {
      kx::TBitmap full;
      kx::TProgressRec quiet = kx::NullProgress();
      kx::_Conv1to24(bitmap, full, quiet);
      bitmap.Swap(full);
    }
    kx::TKestrixProc proc;
    proc.SetAutoUndo(false);
    proc.SetAttachedBitmap(&bitmap);
    call.Operation->Run(proc, call.Args);
    if (!proc.LastRefusal().empty()) throw EOperationFailure(name + ": " + WithPixelLimitHint(proc.LastRefusal()));
  } catch (const std::bad_alloc&) {
    throw EOperationFailure(name + ": out of memory");
  } catch (const kx::EPixelLimit& e) {
    throw EOperationFailure(name + ": " + e.what() + "; see --pixel-limit");
  }
}

}  // namespace

int RunConvert(const TCommandLine& cl) {
  const std::string& in = cl.Files[0];
  const std::string& out = cl.Files[1];
  const kx::TIOFileType outputType = OutputFileType(out, cl.OutputFormat);
  kx::TBitmap bitmap;
  kx::TIOParamsVals params;
  ApplySets(cl.Sets, params);
  LoadPicture(in, bitmap, params, false, cl.Quiet);
  if (!cl.KeepOrientation) {
    try {
      kx::KXOrientUpright(bitmap, params.EXIF_Orientation);
    } catch (const std::bad_alloc&) {
      throw EOperationFailure(ShownName(in, false) + ": out of memory turning the picture upright");
    }
  }
  for (const TOperationCall& call : cl.Operations) RunOperation(call, bitmap);
  if (!SetsField(cl.Sets, "JPEG_Quality")) params.JPEG_Quality = kToolJpegQuality;
  ApplySets(cl.Sets, params);
  SavePicture(out, outputType, bitmap, params, cl.Quiet);
  return 0;
}

}  // namespace kestrix

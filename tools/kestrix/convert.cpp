// `kestrix convert IN OUT`: load, run the operations, save. The --set values go in before
// loading, for the reader's options, and again before saving, because the reader overwrites
// the fields it finds in the file.
#include "imaging/core/bitmap.h"
#include "imaging/io/ioparams.h"
#include "tools/kestrix/commands.h"
#include "tools/kestrix/picture_io.h"

namespace kestrix {

int RunConvert(const TCommandLine& cl) {
  kx::TBitmap bitmap;
  kx::TIOParamsVals params;
  ApplySets(cl.Sets, params);
  LoadPicture(cl.Files[0], bitmap, params, false, cl.Quiet);
  for (const TOperationCall& call : cl.Operations) {
    bool aborting = false;
    kx::TProgressRec progress;
    progress.Aborting = &aborting;
    call.Operation->Run(bitmap, call.Args, progress);
  }
  ApplySets(cl.Sets, params);
  SavePicture(cl.Files[1], bitmap, params, cl.Quiet);
  return 0;
}

}  // namespace kestrix

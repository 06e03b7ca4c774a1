// Picture files through the I/O component: format choice, progress and error messages. Saving
// goes through the library's temporary-then-rename writer.
#include "tools/kestrix/picture_io.h"

#include "imaging/components/kestrix_io.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/file_replace.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "tools/kestrix/errors.h"
#include "tools/kestrix/formats.h"
#include "tools/kestrix/progress_bar.h"

namespace kestrix {
namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// A component working on `bitmap` with a copy of `params`, reporting to `bar`.
class TToolIO {
 public:
  TToolIO(kx::TBitmap& bitmap, const kx::TIOParamsVals& params, TProgressBar& bar) {
    RegisterToolFormats();
    fIO.SetAttachedBitmap(&bitmap);
    fIO.AssignParams(&params);
    bool unused = false;
    fIO.OnProgress = bar.Record(unused).fOnProgress;
  }
  kx::TKestrixIO& IO() { return fIO; }

 private:
  kx::TKestrixIO fIO;
};

}  // namespace

void LoadPicture(const std::string& path, kx::TBitmap& bitmap, kx::TIOParamsVals& params, bool preview, bool quiet) {
  try {
    TProgressBar bar("reading " + path, !quiet && !preview);
    TToolIO tool(bitmap, params, bar);
    kx::TKestrixIO& io = tool.IO();
    kx::TFileStream stream(path, kx::fmOpenRead);
    const kx::TIOFileType byExtension = preview ? kx::ioUnknown : InputFileType(path);
    const kx::TIOFileType type = byExtension != kx::ioUnknown ? byExtension : kx::FindStreamFormat(stream);
    if (type == kx::ioUnknown) throw EFileFailure(Quoted(path) + ": not a picture format this tool reads");
    if (!ToolReads(type)) throw EFileFailure(Quoted(path) + ": cannot read " + FormatName(type) + " files");
    bool failed = false;
    if (preview) {
      io.ParamsFromStream(stream);
      failed = io.IOParams().FileType == kx::ioUnknown;
    } else {
      if (byExtension != kx::ioUnknown)
        io.LoadFromFile(path);
      else
        io.LoadFromStream(stream);
      failed = io.Aborting();
    }
    bar.Finish();
    if (failed) throw EFileFailure(Quoted(path) + ": not a valid " + FormatName(type) + " file, or damaged");
    params.Assign(io.IOParams());
    params.FileName = path;
  } catch (const kx::EStreamError& e) {
    throw EFileFailure(e.what());
  }
}

void SavePicture(const std::string& path, kx::TBitmap& bitmap, const kx::TIOParamsVals& params, bool quiet) {
  const kx::TIOFileType type = OutputFileType(path);
  if (!ToolWrites(type)) throw EFileFailure(Quoted(path) + ": cannot write " + FormatName(type) + " files");
  try {
    TProgressBar bar("writing " + path, !quiet);
    TToolIO tool(bitmap, params, bar);
    kx::TKestrixIO& io = tool.IO();
    const bool written = kx::KXReplaceFile(path, [&](kx::TStream& stream) {
      io.SaveToStream(stream, type);
      return !io.Aborting();
    });
    bar.Finish();
    if (!written)
      throw EFileFailure(Quoted(path) + ": the " + FormatName(type) +
                         " writer cannot write this picture with these parameters");
  } catch (const kx::EStreamError& e) {
    throw EFileFailure("cannot write " + Quoted(path) + ": " + e.what());
  }
}

}  // namespace kestrix

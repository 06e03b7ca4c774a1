// The viewer's picture loading over TKestrixIO.
#include "tools/kestrix-view/picture_load.h"

#include <exception>

#include "imaging/components/kestrix_io.h"
#include "imaging/core/stream.h"
#include "imaging/io/format_io.h"
#include "imaging/io/format_registry.h"

namespace kestrixview {

using namespace kx;

namespace {

bool Reads(TIOFileType type) { return type != ioUnknown && KXFileFormatAbilities(type).Reads; }

// The type LoadFromFile picks by the file's extension, or ioUnknown.
TIOFileType TypeByName(const std::string& fileName) {
  const TKXFormatChoice choice = KXLoadChoiceForFile(fileName);
  if (choice.Row) return choice.Row->FileType;
  return choice.Record ? choice.Record->FileType : ioUnknown;
}

bool Loaded(const TKestrixIO& io, TKestrixView& view) { return !io.Aborting() && !view.Bitmap().Empty(); }

std::string Failure(const std::string& fileName, const TKestrixIO& io) {
  const std::string& reason = io.Diagnostics().Reason;
  return fileName + ": " + (reason.empty() ? std::string("damaged, or not a picture the viewer can show") : reason);
}

std::string Finish(TKestrixView& view, const std::string& fileName, TKestrixIO& io) {
  if (!Loaded(io, view)) return Failure(fileName, io);
  const TIOParamsVals& params = io.IOParams();
  if (params.DpiX > 0 && params.DpiY > 0) view.SetDPI(params.DpiX, params.DpiY);
  return {};
}

}  // namespace

std::string LoadIntoView(TKestrixView& view, const std::string& fileName) {
  TKestrixIO io;
  io.SetAttachedKestrix(&view);
  try {
    const TIOFileType byName = TypeByName(fileName);
    const bool triedByName = Reads(byName);
    if (triedByName) {
      io.LoadFromFile(fileName);
      if (Loaded(io, view)) return Finish(view, fileName, io);
    }
    TFileStream stream(fileName, fmOpenRead);
    const TIOFileType byContent = FindStreamFormat(stream);
    if (Reads(byContent) && !(triedByName && byContent == byName)) {
      io.LoadFromStream(stream);
      return Finish(view, fileName, io);
    }
    return triedByName ? Failure(fileName, io) : fileName + ": not a picture in a format the viewer reads";
  } catch (const std::exception& e) {
    return e.what();
  }
}

}  // namespace kestrixview

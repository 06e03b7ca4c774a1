// The picture formats: the built-in rows that every load and save chain (format_io.h) dispatches
// through, the process-wide registry that applications extend at run time, content detection,
// and whether a type reads and writes.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/core/progress.h"
#include "imaging/io/fitted_size.h"
#include "imaging/io/ioparams.h"

namespace kx {

class TStream;
class TBitmap;

// Reads one image at the stream's position (only its parameters with `preview`); failure sets
// the progress record's abort flag, it never throws for bad data.
using TKXReadImageStream = void (*)(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, bool preview,
                                    TProgressRec& progress);
// Writes the bitmap at the stream's position; failure sets the abort flag.
using TKXWriteImageStream = void (*)(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress);
// True when the bytes at the position are this format's; the caller restores the position.
using TKXTryImageStream = bool (*)(TStream& stream);

// A registry record. FullName and Extensions hold at most kKXFileFormatTextMax characters;
// Extensions are upper case, without dots, separated by ";".
struct TKXFileFormatInfo {
  TIOFileType FileType = ioUnknown;
  std::string FullName;
  std::string Extensions;
  TKXReadImageStream ReadFunction = nullptr;
  TKXWriteImageStream WriteFunction = nullptr;
  TKXTryImageStream TryFunction = nullptr;
};
using PKXFileFormatInfo = TKXFileFormatInfo*;
constexpr size_t kKXFileFormatTextMax = 80;

// The registry in list order, starting with the built-in formats (whose functions are null:
// the component dispatches those itself).
const std::vector<std::unique_ptr<TKXFileFormatInfo>>& kxgFileFormats();
// The first record of `fileType`, or null. Valid until that record is removed.
PKXFileFormatInfo KXFileFormatGetInfo(TIOFileType fileType);
// The first record, in list order, one of whose extensions equals `extension` (no dot),
// ignoring case; null when none.
PKXFileFormatInfo KXFileFormatGetInfo2(std::string_view extension);
// Number of extensions of a type; 0 when it is not registered.
int32_t KXFileFormatGetExtCount(TIOFileType fileType);
// The index-th extension of a type; empty when out of range or not registered.
std::string KXFileFormatGetExt(TIOFileType fileType, int32_t index);
// Appends a copy of `info`, its texts cut to kKXFileFormatTextMax characters.
void KXFileFormatAdd(const TKXFileFormatInfo& info);
// Removes the first record of `fileType`, if any.
void KXFileFormatRemove(TIOFileType fileType);

// A built-in reader: as TKXReadImageStream, with the bytes the image may take from the position
// (formats that do not need it ignore it).
using TKXReadImageBlock = void (*)(TStream& stream, TBitmap& bitmap, int64_t blockSize, TIOParamsVals& params,
                                   bool preview, TProgressRec& progress);

// A built-in reader that fits the picture while it decodes: see ReadJPegStreamFitted.
using TKXReadImageFitted = void (*)(TStream& stream, TBitmap& fitted, TIOParamsVals& params, const TKXChooseFit& choose,
                                    TProgressRec& progress);

// How stream loads and saves use the 12-byte stream header.
enum TKXHeaderUse : uint8_t {
  hdNone,        // never
  hdProbed,      // read whenever present, written with StreamHeaders
  hdRequired,    // with StreamHeaders only; a wrong signature aborts
  hdSizesBlock,  // with StreamHeaders only; its length is the image block, an older 4-byte form
                 // is accepted, and the header is written only for a complete image
};

// One way content detection recognises a format. The rules of all rows run in ascending rank
// (cheapest and surest first); a rule applies only when more than `MoreThan` bytes remain after
// the position. With a signature it compares the stream header's text, otherwise it runs the
// row's content test. A rank of 0 ends a row's list.
struct TKXDetectRule {
  int Rank = 0;
  int64_t MoreThan = -1;
  std::string_view Signature = {};
};

// A format the I/O layer dispatches itself: one row per built-in file type, filled with
// designated initializers. A codec plugs in by filling its row's reader, writer and content
// test; nothing else names the formats.
struct TKXBuiltInFormat {
  TIOFileType FileType = ioUnknown;
  std::string_view FullName = {};
  // As registered (upper case, ";"-separated).
  std::string_view Extensions = {};
  // Lower case, the names of its corpus table and fixture folder.
  std::string_view ShortName = {};
  // Lower-case extensions without dot, ";"-separated, that LoadFromFile and SaveToFile pick
  // this row by. A format with save extensions also has the stream save method.
  std::string_view LoadExtensions = {};
  std::string_view SaveExtensions = {};
  // Null until the format's codec exists: loading and saving then abort.
  TKXReadImageBlock Read = nullptr;
  // Decodes straight onto a bitmap of the size the caller chooses, never holding the whole
  // picture (null: the picture is read whole and fitted after).
  TKXReadImageFitted ReadFitted = nullptr;
  TKXWriteImageStream Write = nullptr;
  // The codec's content test, or null until the codec brings one.
  TKXTryImageStream Try = nullptr;
  TKXDetectRule Detect[3] = {};
  TKXHeaderUse HeaderUse = hdNone;
  // The signature of its stream header, or empty.
  std::string_view HeaderSignature = {};
  // Stream loads push the file's resolution to an attached view (file loads always do).
  bool StreamLoadSetsDpi = false;
  // LoadFromFile imports it as a metafile rather than reading a stream.
  bool Metafile = false;
  // Parameter reads hand the reader the whole file's or stream's size as its block instead of
  // the bytes after the position.
  bool ParamsBlockIsSize = false;
  // Prepares the parameters before a file load (null: nothing to do).
  void (*BeforeFileLoad)(TIOParamsVals& params, const std::string& fileName, TRGB background) = nullptr;
  // The background a finished load gives the component (null: it keeps its own).
  TRGB (*LoadedBackground)(const TIOParamsVals& params) = nullptr;
};

std::span<const TKXBuiltInFormat> KXBuiltInFormats();
// The built-in row of `fileType`, or null.
const TKXBuiltInFormat* KXBuiltInFormat(TIOFileType fileType);
// The built-in row that LoadFromFile / SaveToFile picks for `fileName`, or null for the
// registry path.
const TKXBuiltInFormat* KXBuiltInLoadFormat(const std::string& fileName);
const TKXBuiltInFormat* KXBuiltInSaveFormat(const std::string& fileName);

// Whether a type can be read and written: by its built-in row's codec, else by the first
// registry record of the type; neither for a type that is not registered.
struct TKXFormatAbilities {
  bool Reads = false;
  bool Writes = false;
};
TKXFormatAbilities KXFileFormatAbilities(TIOFileType fileType);

// The lower-cased extension of a file name with its dot ("" when there is none).
std::string KXLowerExtension(const std::string& fileName);
// The ";"-separated extensions of a list, as they are written.
std::vector<std::string_view> KXSplitExtensions(std::string_view list);

// The file type of the bytes at the stream's position, or ioUnknown; the position is restored
// after every test, also when one throws.
TIOFileType FindStreamFormat(TStream& stream);
// FindStreamFormat of a file (ioUnknown when it cannot be read). With `verifyExtension` the
// file's extension must be registered for the detected type, otherwise the result is ioUnknown.
TIOFileType FindFileFormat(const std::string& fileName, bool verifyExtension);

}  // namespace kx

// The load and save chains of the I/O component, one layer below it so that the fuzzers and
// the corpus tables drive exactly what the component runs: which built-in row or registry record
// a file name, a stream's content or a type code picks, the stream headers around a built-in
// image, and the parameter-only reads.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/core/progress.h"
#include "imaging/io/format_registry.h"

namespace kx {

class TBitmap;
class TStream;
class TIOParamsVals;

// What a load or save goes through: a built-in row, or else the registry record of the type
// (null when there is none; its function may be null too).
struct TKXFormatChoice {
  const TKXBuiltInFormat* Row = nullptr;
  PKXFileFormatInfo Record = nullptr;
};

// LoadFromFile's choice by the lower-cased extension (a metafile row included).
TKXFormatChoice KXLoadChoiceForFile(const std::string& fileName);
// LoadFromStream's choice by content; the position is left where it was. Metafiles go to the
// registry, as they have no stream reader.
TKXFormatChoice KXLoadChoiceForStream(TStream& stream);
// SaveToFile's choice by the lower-cased extension.
TKXFormatChoice KXSaveChoiceForFile(const std::string& fileName);
// SaveToStream's choice by type code: a row with a stream save method, else the registry.
TKXFormatChoice KXSaveChoiceForType(TIOFileType fileType);

// A built-in file load: the row's preparation of the parameters (`background` is the loading
// component's), then its reader over the whole file. No reader aborts.
void KXReadFileImage(const TKXBuiltInFormat& format, const std::string& fileName, TStream& file, TBitmap& bitmap,
                     TIOParamsVals& params, TRGB background, TProgressRec& progress);
// A built-in stream load at the position: the row's stream header as its HeaderUse says (with
// `streamHeaders` as the component's StreamHeaders), then its reader; an image that had a
// header leaves the stream at the byte after it. A header that does not fit, or no reader, aborts.
void KXReadStreamImage(const TKXBuiltInFormat& format, TStream& stream, TBitmap& bitmap, TIOParamsVals& params,
                       bool streamHeaders, TProgressRec& progress);
// The read of a stream choice: a row as KXReadStreamImage, else the record's reader; aborts when
// there is neither.
void KXReadChoice(const TKXFormatChoice& choice, TStream& stream, TBitmap& bitmap, TIOParamsVals& params,
                  bool streamHeaders, TProgressRec& progress);
// A built-in stream save at the position: with `streamHeaders` and a row that uses one, the
// header around the image. A writer that gives up on a block-sized image leaves the header zero.
// The bitmap must be one the writers take (24-bit or 1-bit); no writer aborts.
void KXWriteStreamImage(const TKXBuiltInFormat& format, TStream& stream, TBitmap& bitmap, TIOParamsVals& params,
                        bool streamHeaders, TProgressRec& progress);

// Reads only the parameters of a `fileType` image at the position into `params` (`wholeSize`:
// the file's or stream's size, the block of rows that want it). Reports nothing and leaves
// every abort flag alone; a reader that gives up leaves FileType unknown, so a damaged file is
// not mistaken for its half-read facts. Reader exceptions pass to the caller.
void KXReadParams(TIOFileType fileType, TStream& stream, int64_t wholeSize, TBitmap& bitmap, TIOParamsVals& params);

}  // namespace kx

// The load and save chains over the format rows: choosing a row or record, stream headers
// around built-in images, and parameter-only reads.
#include "imaging/io/format_io.h"

#include <optional>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/stream_headers.h"

namespace kx {
namespace {

// The registry record of the extension of `fileName`, or null.
PKXFileFormatInfo RecordByExtension(const std::string& fileName) {
  const std::string ext = KXLowerExtension(fileName);
  return ext.empty() ? nullptr : KXFileFormatGetInfo2(ext.substr(1));
}

}  // namespace

TKXFormatChoice KXLoadChoiceForFile(const std::string& fileName) {
  if (const TKXBuiltInFormat* row = KXBuiltInLoadFormat(fileName)) return {.Row = row};
  return {.Record = RecordByExtension(fileName)};
}

TKXFormatChoice KXLoadChoiceForStream(TStream& stream) {
  const int64_t start = stream.Position();
  const TIOFileType type = FindStreamFormat(stream);
  stream.SetPosition(start);
  const TKXBuiltInFormat* row = KXBuiltInFormat(type);
  if (row && !row->Metafile) return {.Row = row};
  return {.Record = KXFileFormatGetInfo(type)};
}

TKXFormatChoice KXSaveChoiceForFile(const std::string& fileName) {
  if (const TKXBuiltInFormat* row = KXBuiltInSaveFormat(fileName)) return {.Row = row};
  return {.Record = RecordByExtension(fileName)};
}

TKXFormatChoice KXSaveChoiceForType(TIOFileType fileType) {
  const TKXBuiltInFormat* row = KXBuiltInFormat(fileType);
  if (row && !row->SaveExtensions.empty()) return {.Row = row};
  return {.Record = KXFileFormatGetInfo(fileType)};
}

void KXReadFileImage(const TKXBuiltInFormat& format, const std::string& fileName, TStream& file, TBitmap& bitmap,
                     TIOParamsVals& params, TRGB background, TProgressRec& progress) {
  if (format.BeforeFileLoad) format.BeforeFileLoad(params, fileName, background);
  if (format.Read)
    format.Read(file, bitmap, file.Size(), params, false, progress);
  else
    progress.Abort();
}

void KXReadStreamImage(const TKXBuiltInFormat& format, TStream& stream, TBitmap& bitmap, TIOParamsVals& params,
                       bool streamHeaders, TProgressRec& progress) {
  int64_t block = stream.Remaining();
  std::optional<int64_t> next;  // where the stream is left after an image with a header
  const bool header = format.HeaderUse == hdProbed || (streamHeaders && format.HeaderUse != hdNone);
  if (header) {
    const int64_t start = stream.Position();
    TStreamHeader h;
    const bool got = ReadStreamHeader(stream, h);
    const int64_t after = stream.Position();
    const bool signed_ = got && h.Text == format.HeaderSignature;
    // The length is trusted only as far as the stream reaches.
    const bool fits = signed_ && StreamHeaderLengthFits(h, stream.Remaining());
    switch (format.HeaderUse) {
      case hdProbed:
        if (!signed_) {
          stream.SetPosition(start);
          break;
        }
        if (!fits) return progress.Abort();
        next = start + kStreamHeaderSize + h.Length;
        break;
      case hdRequired:
        if (!fits) return progress.Abort();
        next = after + h.Length;
        break;
      case hdSizesBlock:
        if (!got || h.Text.compare(0, 3, format.HeaderSignature.substr(0, 3)) != 0) return progress.Abort();
        if (signed_) {
          if (!fits) return progress.Abort();
          block = h.Length;
          next = start + kStreamHeaderSize + h.Length;
        } else {
          stream.SetPosition(start + 4);
          block = stream.Remaining();
        }
        break;
      case hdNone:
        break;
    }
  }
  if (!format.Read) return progress.Abort();
  format.Read(stream, bitmap, block, params, false, progress);
  if (next) stream.SetPosition(*next);
}

void KXReadChoice(const TKXFormatChoice& choice, TStream& stream, TBitmap& bitmap, TIOParamsVals& params,
                  bool streamHeaders, TProgressRec& progress) {
  if (choice.Row)
    KXReadStreamImage(*choice.Row, stream, bitmap, params, streamHeaders, progress);
  else if (choice.Record && choice.Record->ReadFunction)
    choice.Record->ReadFunction(stream, bitmap, params, false, progress);
  else
    progress.Abort();
}

void KXWriteStreamImage(const TKXBuiltInFormat& format, TStream& stream, TBitmap& bitmap, TIOParamsVals& params,
                        bool streamHeaders, TProgressRec& progress) {
  if (!format.Write) return progress.Abort();
  const bool header = streamHeaders && format.HeaderUse != hdNone;
  const int64_t start = header ? BeginStreamHeader(stream) : 0;
  format.Write(stream, bitmap, params, progress);
  // An incomplete block-sized image keeps a zero header, which no reader takes for an image.
  if (header && !(progress.Aborted() && format.HeaderUse == hdSizesBlock) &&
      !FinishStreamHeader(stream, start, format.HeaderSignature))
    progress.Abort();
}

void KXReadParams(TIOFileType fileType, TStream& stream, int64_t wholeSize, TBitmap& bitmap, TIOParamsVals& params) {
  TProgressRec progress = NullProgress();
  if (const TKXBuiltInFormat* format = KXBuiltInFormat(fileType)) {
    if (format->Read)
      format->Read(stream, bitmap, format->ParamsBlockIsSize ? wholeSize : stream.Remaining(), params, true, progress);
  } else if (const PKXFileFormatInfo record = KXFileFormatGetInfo(fileType); record && record->ReadFunction) {
    record->ReadFunction(stream, bitmap, params, true, progress);
  }
  if (progress.Aborted()) params.FileType = ioUnknown;
}

}  // namespace kx

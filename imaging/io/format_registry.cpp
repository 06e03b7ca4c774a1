// The built-in format table, the registry seeded from it, and content detection. A codec plugs
// in by filling its row's reader, writer and content test; nothing else names the formats.
#include "imaging/io/format_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

#include "imaging/core/stream.h"
#include "imaging/io/bmp_codec.h"
#include "imaging/io/gif_codec.h"
#include "imaging/io/jpeg_codec.h"
#include "imaging/io/pcx_codec.h"
#include "imaging/io/png_codec.h"
#include "imaging/io/stream_headers.h"
#include "imaging/io/tga_codec.h"
#include "imaging/io/tiff_codec.h"

namespace kx {
namespace {

// Restores a stream's position on every way out, a throwing test included.
class TPositionRestorer {
 public:
  TPositionRestorer(TStream& stream, int64_t position) : fStream(stream), fPosition(position) {}
  ~TPositionRestorer() {
    try {
      fStream.SetPosition(fPosition);
    } catch (const EStreamError&) {
      // The stream is unusable; the caller's next access reports it.
    }
  }
  TPositionRestorer(const TPositionRestorer&) = delete;
  TPositionRestorer& operator=(const TPositionRestorer&) = delete;

 private:
  TStream& fStream;
  int64_t fPosition;
};

// The first `n` bytes at the position; false when fewer are there.
template <size_t N>
bool Peek(TStream& stream, uint8_t (&bytes)[N]) {
  return stream.Read(bytes, N) == int64_t(N);
}

bool PcxTry(TStream& stream) {
  uint8_t b[2];
  return Peek(stream, b) && b[0] == 0x0A && b[1] <= 5;
}

void ReadJpeg(TStream& stream, TBitmap& bitmap, int64_t, TIOParamsVals& params, bool preview, TProgressRec& progress) {
  ReadJPegStream(stream, bitmap, params, preview, progress);
}
void WriteJpeg(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  WriteJPegStream(stream, bitmap, params, progress);
}
void ReadGifRow(TStream& stream, TBitmap& bitmap, int64_t, TIOParamsVals& params, bool preview,
                TProgressRec& progress) {
  int32_t count = 0;
  ReadGifStream(stream, bitmap, count, params, progress, preview);
}
void WriteGifRow(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  WriteGifStream(stream, bitmap, params, progress);
}
void ReadPng(TStream& stream, TBitmap& bitmap, int64_t, TIOParamsVals& params, bool preview, TProgressRec& progress) {
  ReadPNGStream(stream, bitmap, params, preview, progress);
}
void WritePng(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  WritePNGStream(stream, bitmap, params, progress);
}

void ReadPcxBlock(TStream& stream, TBitmap& bitmap, int64_t blockSize, TIOParamsVals& params, bool preview,
                  TProgressRec& progress) {
  ReadPcxStream(stream, bitmap, params, preview, progress, blockSize);
}
void ReadTgaBlock(TStream& stream, TBitmap& bitmap, int64_t blockSize, TIOParamsVals& params, bool preview,
                  TProgressRec& progress) {
  ReadTGAStream(stream, bitmap, params, preview, progress, blockSize);
}

void ReadIco(TStream& stream, TBitmap& bitmap, int64_t, TIOParamsVals& params, bool preview, TProgressRec& progress) {
  ICOReadStream(stream, bitmap, params, preview, progress);
}
void ReadCur(TStream& stream, TBitmap& bitmap, int64_t, TIOParamsVals& params, bool preview, TProgressRec& progress) {
  CURReadStream(stream, bitmap, params, preview, progress);
}

TRGB GifBackground(const TIOParamsVals& p) { return p.GIF_Transparent ? p.GIF_TransparentColor : p.GIF_Background; }
TRGB PngBackground(const TIOParamsVals& p) { return p.PNG_Background; }
void SeedPngBackground(TIOParamsVals& p, const std::string&, TRGB background) { p.PNG_Background = background; }
// The PCX reader looks at the file's name and type while it reads.
void NamePcxFile(TIOParamsVals& p, const std::string& fileName, TRGB) {
  p.FileName = fileName;
  p.FileType = ioPCX;
}

// In registry order. Detection ranks leave gaps so that a new format's tests slot in between.
// ".pix" is registered for Targa but not loaded as one, and ".win" the other way round: files
// of that name exist in both kinds, so neither is taken on trust.
const TKXBuiltInFormat kBuiltIn[] = {
    {.FileType = ioTIFF,
     .FullName = "TIFF Bitmap",
     .Extensions = "TIF;TIFF",
     .ShortName = "tiff",
     .LoadExtensions = "tif;tiff",
     .SaveExtensions = "tif;tiff",
     .Read = &TIFFReadImage,
     .Write = &TIFFWriteImage,
     .Try = &TIFFTryStream,
     .Detect = {{.Rank = 80, .MoreThan = 12, .Signature = "TIFF"}, {.Rank = 90, .MoreThan = 8}},
     .HeaderUse = hdRequired,
     .HeaderSignature = "TIFF",
     .StreamLoadSetsDpi = true},
    {.FileType = ioGIF,
     .FullName = "CompuServe Bitmap",
     .Extensions = "GIF",
     .ShortName = "gif",
     .LoadExtensions = "gif",
     .SaveExtensions = "gif",
     .Read = &ReadGifRow,
     .Write = &WriteGifRow,
     .Try = &GifTryStream,
     .Detect = {{.Rank = 30, .MoreThan = 13}},
     .LoadedBackground = &GifBackground},
    {.FileType = ioJPEG,
     .FullName = "JPEG Bitmap",
     .Extensions = "JPG;JPEG;JPE",
     .ShortName = "jpeg",
     .LoadExtensions = "jpg;jpeg;jpe",
     .SaveExtensions = "jpg;jpeg",
     .Read = &ReadJpeg,
     .ReadFitted = &ReadJPegStreamFitted,
     .Write = &WriteJpeg,
     .Try = &JpegTryStream,
     .Detect = {{.Rank = 10}, {.Rank = 20, .MoreThan = 12, .Signature = "JFIF"}},
     .HeaderUse = hdProbed,
     .HeaderSignature = "JFIF",
     .StreamLoadSetsDpi = true},
    {.FileType = ioPCX,
     .FullName = "PaintBrush",
     .Extensions = "PCX",
     .ShortName = "pcx",
     .LoadExtensions = "pcx",
     .SaveExtensions = "pcx",
     .Read = &ReadPcxBlock,
     .Write = &WritePcxStream,
     .Try = &PcxTry,
     .Detect = {{.Rank = 40, .MoreThan = 12, .Signature = "PCX2"},
                {.Rank = 50, .MoreThan = 4, .Signature = "PCX"},
                {.Rank = 70, .MoreThan = 128}},
     .HeaderUse = hdSizesBlock,
     .HeaderSignature = "PCX2",
     .StreamLoadSetsDpi = true,
     .BeforeFileLoad = &NamePcxFile},
    {.FileType = ioBMP,
     .FullName = "Windows Bitmap",
     .Extensions = "BMP;DIB;RLE",
     .ShortName = "bmp",
     .LoadExtensions = "bmp;dib;rle",
     .SaveExtensions = "bmp",
     .Read = &BMPReadStream,
     .Write = &BMPWriteStream,
     .Try = &BMPTryStream,
     .Detect = {{.Rank = 60, .MoreThan = 14}},
     .ParamsBlockIsSize = true},
    {.FileType = ioICO,
     .FullName = "Windows Icon",
     .Extensions = "ICO",
     .ShortName = "ico",
     .LoadExtensions = "ico",
     .Read = &ReadIco,
     .Try = &ICOTryStream,
     .Detect = {{.Rank = 110}}},
    {.FileType = ioCUR,
     .FullName = "Windows Cursor",
     .Extensions = "CUR",
     .ShortName = "cur",
     .LoadExtensions = "cur",
     .Read = &ReadCur,
     .Try = &CURTryStream,
     .Detect = {{.Rank = 120}}},
    {.FileType = ioPNG,
     .FullName = "Portable Network Graphics",
     .Extensions = "PNG",
     .ShortName = "png",
     .LoadExtensions = "png",
     .SaveExtensions = "png",
     .Read = &ReadPng,
     .Write = &WritePng,
     .Try = &IsPNGStream,
     .Detect = {{.Rank = 100, .MoreThan = 8}},
     .StreamLoadSetsDpi = true,
     .BeforeFileLoad = &SeedPngBackground,
     .LoadedBackground = &PngBackground},
    {.FileType = ioWMF,
     .FullName = "Windows Metafile",
     .Extensions = "WMF",
     .ShortName = "wmf",
     .LoadExtensions = "wmf",
     .Metafile = true},
    {.FileType = ioEMF,
     .FullName = "Enhanced Windows Metafile",
     .Extensions = "EMF",
     .ShortName = "emf",
     .LoadExtensions = "emf",
     .Metafile = true},
    {.FileType = ioTGA,
     .FullName = "Targa Bitmap",
     .Extensions = "TGA;TARGA;VDA;ICB;VST;PIX",
     .ShortName = "tga",
     .LoadExtensions = "tga;targa;vda;icb;vst;win",
     .SaveExtensions = "tga",
     .Read = &ReadTgaBlock,
     .Write = &WriteTGAStream,
     .Try = &TryTGA,
     .Detect = {{.Rank = 130}}},
};

// One detection rule with its row.
struct TRankedRule {
  const TKXBuiltInFormat* Row;
  const TKXDetectRule* Rule;
};

// The rules of every row in rank order, gathered once.
const std::vector<TRankedRule>& DetectionOrder() {
  static const std::vector<TRankedRule> order = [] {
    std::vector<TRankedRule> rules;
    for (const TKXBuiltInFormat& f : kBuiltIn)
      for (const TKXDetectRule& rule : f.Detect)
        if (rule.Rank != 0) rules.push_back({&f, &rule});
    std::stable_sort(rules.begin(), rules.end(),
                     [](const TRankedRule& a, const TRankedRule& b) { return a.Rule->Rank < b.Rule->Rank; });
    return rules;
  }();
  return order;
}

std::vector<std::unique_ptr<TKXFileFormatInfo>>& Registry() {
  static std::vector<std::unique_ptr<TKXFileFormatInfo>> list = [] {
    std::vector<std::unique_ptr<TKXFileFormatInfo>> l;
    for (const TKXBuiltInFormat& f : kBuiltIn)
      l.push_back(std::make_unique<TKXFileFormatInfo>(TKXFileFormatInfo{
          f.FileType, std::string(f.FullName), std::string(f.Extensions), nullptr, nullptr, nullptr}));
    return l;
  }();
  return list;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::toupper(x) == std::toupper(y);
         });
}

const TKXBuiltInFormat* ByExtension(const std::string& fileName, std::string_view TKXBuiltInFormat::*list) {
  const std::string ext = KXLowerExtension(fileName);
  if (ext.empty()) return nullptr;
  for (const TKXBuiltInFormat& f : kBuiltIn) {
    if ((f.*list).empty()) continue;
    const std::vector<std::string_view> exts = KXSplitExtensions(f.*list);
    if (std::find(exts.begin(), exts.end(), std::string_view(ext).substr(1)) != exts.end()) return &f;
  }
  return nullptr;
}

bool RuleMatches(TStream& stream, const TRankedRule& r, int64_t remaining) {
  if (remaining <= r.Rule->MoreThan) return false;
  if (!r.Rule->Signature.empty()) return PeekStreamHeaderText(stream) == r.Rule->Signature;
  return r.Row->Try && r.Row->Try(stream);
}

}  // namespace

std::vector<std::string_view> KXSplitExtensions(std::string_view list) {
  std::vector<std::string_view> out;
  for (size_t start = 0;;) {
    const size_t end = list.find(';', start);
    out.push_back(list.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return out;
}

const std::vector<std::unique_ptr<TKXFileFormatInfo>>& kxgFileFormats() { return Registry(); }

PKXFileFormatInfo KXFileFormatGetInfo(TIOFileType fileType) {
  for (const auto& r : Registry())
    if (r->FileType == fileType) return r.get();
  return nullptr;
}

PKXFileFormatInfo KXFileFormatGetInfo2(std::string_view extension) {
  for (const auto& r : Registry())
    for (std::string_view e : KXSplitExtensions(r->Extensions))
      if (EqualIgnoringCase(e, extension)) return r.get();
  return nullptr;
}

int32_t KXFileFormatGetExtCount(TIOFileType fileType) {
  const PKXFileFormatInfo r = KXFileFormatGetInfo(fileType);
  return r ? int32_t(KXSplitExtensions(r->Extensions).size()) : 0;
}

std::string KXFileFormatGetExt(TIOFileType fileType, int32_t index) {
  const PKXFileFormatInfo r = KXFileFormatGetInfo(fileType);
  if (!r || index < 0) return std::string();
  const std::vector<std::string_view> exts = KXSplitExtensions(r->Extensions);
  return size_t(index) < exts.size() ? std::string(exts[size_t(index)]) : std::string();
}

void KXFileFormatAdd(const TKXFileFormatInfo& info) {
  auto copy = std::make_unique<TKXFileFormatInfo>(info);
  copy->FullName.resize(std::min(copy->FullName.size(), kKXFileFormatTextMax));
  copy->Extensions.resize(std::min(copy->Extensions.size(), kKXFileFormatTextMax));
  Registry().push_back(std::move(copy));
}

void KXFileFormatRemove(TIOFileType fileType) {
  auto& list = Registry();
  auto it = std::find_if(list.begin(), list.end(), [&](const auto& r) { return r->FileType == fileType; });
  if (it != list.end()) list.erase(it);
}

std::span<const TKXBuiltInFormat> KXBuiltInFormats() { return kBuiltIn; }

const TKXBuiltInFormat* KXBuiltInFormat(TIOFileType fileType) {
  for (const TKXBuiltInFormat& f : kBuiltIn)
    if (f.FileType == fileType) return &f;
  return nullptr;
}

const TKXBuiltInFormat* KXBuiltInLoadFormat(const std::string& fileName) {
  return ByExtension(fileName, &TKXBuiltInFormat::LoadExtensions);
}

const TKXBuiltInFormat* KXBuiltInSaveFormat(const std::string& fileName) {
  return ByExtension(fileName, &TKXBuiltInFormat::SaveExtensions);
}

TKXFormatAbilities KXFileFormatAbilities(TIOFileType fileType) {
  if (const TKXBuiltInFormat* f = KXBuiltInFormat(fileType)) return {f->Read != nullptr, f->Write != nullptr};
  if (const PKXFileFormatInfo r = KXFileFormatGetInfo(fileType))
    return {r->ReadFunction != nullptr, r->WriteFunction != nullptr};
  return {};
}

std::string KXLowerExtension(const std::string& fileName) {
  std::string ext = std::filesystem::path(fileName).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return ext;
}

TIOFileType FindStreamFormat(TStream& stream) {
  try {
    const int64_t start = stream.Position();
    const int64_t remaining = stream.Remaining();
    for (const auto& r : Registry()) {
      if (!r->TryFunction) continue;
      TPositionRestorer restore(stream, start);
      if (r->TryFunction(stream)) return r->FileType;
    }
    for (const TRankedRule& rule : DetectionOrder()) {
      TPositionRestorer restore(stream, start);
      if (RuleMatches(stream, rule, remaining)) return rule.Row->FileType;
    }
  } catch (...) {
    // A stream, or a registered test, that fails while looking is of no known format.
  }
  return ioUnknown;
}

TIOFileType FindFileFormat(const std::string& fileName, bool verifyExtension) {
  TIOFileType type = ioUnknown;
  try {
    TFileStream stream(fileName, fmOpenRead);
    type = FindStreamFormat(stream);
  } catch (const EStreamError&) {
    return ioUnknown;
  }
  if (verifyExtension && type != ioUnknown) {
    const std::string ext = KXLowerExtension(fileName);
    const PKXFileFormatInfo r = KXFileFormatGetInfo2(ext.empty() ? ext : ext.substr(1));
    if (!r || r->FileType != type) return ioUnknown;
  }
  return type;
}

}  // namespace kx

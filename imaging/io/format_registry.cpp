// The built-in format table, the registry seeded from it, and content detection. A codec plugs
// in by filling its row's reader, writer and content test; nothing else names the formats.
#include "imaging/io/format_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

#include "imaging/core/stream.h"
#include "imaging/io/jpeg_codec.h"
#include "imaging/io/stream_headers.h"

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

bool GifTry(TStream& stream) {
  uint8_t b[3];
  return Peek(stream, b) && std::memcmp(b, "GIF", 3) == 0;
}
bool BmpTry(TStream& stream) {
  uint8_t b[2];
  return Peek(stream, b) && b[0] == 'B' && b[1] == 'M';
}
bool PcxTry(TStream& stream) {
  uint8_t b[2];
  return Peek(stream, b) && b[0] == 0x0A && b[1] <= 5;
}
bool TiffTry(TStream& stream) {
  uint8_t b[2];
  return Peek(stream, b) && ((b[0] == 'I' && b[1] == 'I') || (b[0] == 'M' && b[1] == 'M'));
}
bool PngTry(TStream& stream) {
  static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  uint8_t b[8];
  return Peek(stream, b) && std::memcmp(b, kSignature, 8) == 0;
}

void ReadJpeg(TStream& stream, TBitmap& bitmap, int64_t, TIOParamsVals& params, bool preview, TProgressRec& progress) {
  ReadJPegStream(stream, bitmap, params, preview, progress);
}
void WriteJpeg(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  WriteJPegStream(stream, bitmap, params, progress);
}

constexpr std::string_view kTiffExts[] = {".tif", ".tiff"};
constexpr std::string_view kGifExts[] = {".gif"};
constexpr std::string_view kJpegLoadExts[] = {".jpg", ".jpeg", ".jpe"};
constexpr std::string_view kJpegSaveExts[] = {".jpg", ".jpeg"};
constexpr std::string_view kPcxExts[] = {".pcx"};
constexpr std::string_view kBmpLoadExts[] = {".bmp", ".dib", ".rle"};
constexpr std::string_view kBmpSaveExts[] = {".bmp"};
constexpr std::string_view kIcoExts[] = {".ico"};
constexpr std::string_view kCurExts[] = {".cur"};
constexpr std::string_view kPngExts[] = {".png"};
constexpr std::string_view kWmfExts[] = {".wmf"};
constexpr std::string_view kEmfExts[] = {".emf"};
// ".pix" is registered for Targa but not loaded as one, and ".win" the other way round: files
// of that name exist in both kinds, so neither is taken on trust.
constexpr std::string_view kTgaLoadExts[] = {".tga", ".targa", ".vda", ".icb", ".vst", ".win"};
constexpr std::string_view kTgaSaveExts[] = {".tga"};

// In registry order.
const TKXBuiltInFormat kBuiltIn[] = {
    {ioTIFF, "TIFF Bitmap", "TIF;TIFF", kTiffExts, kTiffExts, nullptr, nullptr, &TiffTry, hdRequired, "TIFF", true,
     false},
    {ioGIF, "CompuServe Bitmap", "GIF", kGifExts, kGifExts, nullptr, nullptr, &GifTry, hdNone, "", false, false},
    {ioJPEG, "JPEG Bitmap", "JPG;JPEG;JPE", kJpegLoadExts, kJpegSaveExts, &ReadJpeg, &WriteJpeg, &JpegTryStream,
     hdProbed, "JFIF", true, false},
    {ioPCX, "PaintBrush", "PCX", kPcxExts, kPcxExts, nullptr, nullptr, &PcxTry, hdSizesBlock, "PCX2", true, false},
    {ioBMP, "Windows Bitmap", "BMP;DIB;RLE", kBmpLoadExts, kBmpSaveExts, nullptr, nullptr, &BmpTry, hdNone, "", false,
     false},
    {ioICO, "Windows Icon", "ICO", kIcoExts, {}, nullptr, nullptr, nullptr, hdNone, "", false, false},
    {ioCUR, "Windows Cursor", "CUR", kCurExts, {}, nullptr, nullptr, nullptr, hdNone, "", false, false},
    {ioPNG, "Portable Network Graphics", "PNG", kPngExts, kPngExts, nullptr, nullptr, &PngTry, hdNone, "", true, false},
    {ioWMF, "Windows Metafile", "WMF", kWmfExts, {}, nullptr, nullptr, nullptr, hdNone, "", false, true},
    {ioEMF, "Enhanced Windows Metafile", "EMF", kEmfExts, {}, nullptr, nullptr, nullptr, hdNone, "", false, true},
    {ioTGA, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", kTgaLoadExts, kTgaSaveExts, nullptr, nullptr, nullptr, hdNone,
     "", false, false},
};

// Content detection, cheapest and surest first. A rule applies when more than `MoreThan`
// bytes remain after the start; with a signature it compares the stream header's text,
// otherwise it runs the format's content test.
struct TDetectionRule {
  TIOFileType FileType;
  int64_t MoreThan;
  std::string_view HeaderSignature;
};
constexpr TDetectionRule kDetection[] = {
    {ioJPEG, -1, ""}, {ioJPEG, 12, "JFIF"}, {ioGIF, 13, ""},      {ioPCX, 12, "PCX2"}, {ioPCX, 4, "PCX"},
    {ioBMP, 14, ""},  {ioPCX, 128, ""},     {ioTIFF, 12, "TIFF"}, {ioTIFF, 8, ""},     {ioPNG, 8, ""},
    {ioICO, -1, ""},  {ioCUR, -1, ""},      {ioTGA, -1, ""},
};

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

// The ";"-separated extensions of a record.
std::vector<std::string_view> SplitExtensions(std::string_view list) {
  std::vector<std::string_view> out;
  for (size_t start = 0;;) {
    const size_t end = list.find(';', start);
    out.push_back(list.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return out;
}

const TKXBuiltInFormat* ByExtension(const std::string& fileName,
                                    std::span<const std::string_view> TKXBuiltInFormat::*list) {
  const std::string ext = KXLowerExtension(fileName);
  if (ext.empty()) return nullptr;
  for (const TKXBuiltInFormat& f : kBuiltIn)
    if (std::find((f.*list).begin(), (f.*list).end(), ext) != (f.*list).end()) return &f;
  return nullptr;
}

bool RuleMatches(TStream& stream, const TDetectionRule& rule, int64_t remaining) {
  if (remaining <= rule.MoreThan) return false;
  if (!rule.HeaderSignature.empty()) return PeekStreamHeaderText(stream) == rule.HeaderSignature;
  const TKXBuiltInFormat* f = KXBuiltInFormat(rule.FileType);
  return f->Try && f->Try(stream);
}

}  // namespace

const std::vector<std::unique_ptr<TKXFileFormatInfo>>& kxgFileFormats() { return Registry(); }

PKXFileFormatInfo KXFileFormatGetInfo(TIOFileType fileType) {
  for (const auto& r : Registry())
    if (r->FileType == fileType) return r.get();
  return nullptr;
}

PKXFileFormatInfo KXFileFormatGetInfo2(std::string_view extension) {
  for (const auto& r : Registry())
    for (std::string_view e : SplitExtensions(r->Extensions))
      if (EqualIgnoringCase(e, extension)) return r.get();
  return nullptr;
}

int32_t KXFileFormatGetExtCount(TIOFileType fileType) {
  const PKXFileFormatInfo r = KXFileFormatGetInfo(fileType);
  return r ? int32_t(SplitExtensions(r->Extensions).size()) : 0;
}

std::string KXFileFormatGetExt(TIOFileType fileType, int32_t index) {
  const PKXFileFormatInfo r = KXFileFormatGetInfo(fileType);
  if (!r || index < 0) return std::string();
  const std::vector<std::string_view> exts = SplitExtensions(r->Extensions);
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
    for (const TDetectionRule& rule : kDetection) {
      TPositionRestorer restore(stream, start);
      if (RuleMatches(stream, rule, remaining)) return rule.FileType;
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

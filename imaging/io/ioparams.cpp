// TIOParamsVals: defaults, copying and the versioned binary form (versions 0 to 3 read,
// version 3 written). Counts and lengths read from a stream are checked against the bytes that
// remain before anything is allocated, and a stream is parsed into a copy that replaces the
// record only when every row was read, so a bad preset never leaves a half-loaded record.
#include "imaging/io/ioparams.h"

#include <bit>
#include <cctype>
#include <iterator>
#include <cstring>
#include <ctime>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/format_registry.h"

namespace kx {

TGIFLZWDecompFunc DefGIF_LZWDECOMPFUNC = nullptr;
TGIFLZWCompFunc DefGIF_LZWCOMPFUNC = nullptr;
TTIFFLZWDecompFunc DefTIFF_LZWDECOMPFUNC = nullptr;
TTIFFLZWCompFunc DefTIFF_LZWCOMPFUNC = nullptr;

namespace {

constexpr int32_t kStreamVersion = 3;
// Far above any real palette (16-bit TIFF palettes have 65536 entries) or text field, yet small
// enough that a forged count cannot make a preset allocate much.
constexpr int64_t kMaxColorMapCount = 65536;
constexpr int64_t kMaxStringLength = 16 << 20;

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

class TParamsWriter {
 public:
  void Bytes(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    fOut.insert(fOut.end(), b, b + n);
  }
  void Byte(uint8_t v) { fOut.push_back(v); }
  void Bool(bool v) { Byte(v ? 1 : 0); }
  void Int(int32_t v) {
    uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i) Byte(uint8_t(u >> (8 * i)));
  }
  void Double(double v) {
    uint64_t u = std::bit_cast<uint64_t>(v);
    for (int i = 0; i < 8; ++i) Byte(uint8_t(u >> (8 * i)));
  }
  void RGB(TRGB c) { Bytes(&c, 3); }
  void String(const std::string& s) {
    Int(int32_t(s.size()));
    Bytes(s.data(), s.size());
  }
  const std::vector<uint8_t>& Result() const { return fOut; }

 private:
  std::vector<uint8_t> fOut;
};

// Reads rows until the first failure; after that every read is refused, so the caller checks
// Ok() once at the end.
class TParamsReader {
 public:
  explicit TParamsReader(TStream& stream) : fStream(stream) {}

  bool Ok() const { return fOk; }

  bool Bytes(void* p, int64_t n) {
    if (fOk && fStream.Read(p, n) != n) fOk = false;
    return fOk;
  }
  uint8_t Byte() {
    uint8_t v = 0;
    Bytes(&v, 1);
    return v;
  }
  bool Bool() {
    uint8_t v = Byte();
    if (v > 1) fOk = false;
    return v == 1;
  }
  template <typename E>
  E Enum(E last) {
    uint8_t v = Byte();
    if (v > uint8_t(last)) fOk = false;
    return fOk ? E(v) : E{};
  }
  int32_t Int() {
    uint8_t b[4] = {};
    Bytes(b, 4);
    return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
  }
  double Double() {
    uint8_t b[8] = {};
    Bytes(b, 8);
    uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = u << 8 | b[i];
    return std::bit_cast<double>(u);
  }
  TRGB RGB() {
    TRGB c;
    Bytes(&c, 3);
    return c;
  }
  std::string String() {
    int32_t len = Int();
    if (!Affordable(len, 1, kMaxStringLength)) return {};
    std::string s(size_t(len), '\0');
    Bytes(s.data(), len);
    return s;
  }
  std::vector<TRGB> Palette(int32_t count) {
    if (!Affordable(count, 3, kMaxColorMapCount)) return {};
    std::vector<TRGB> palette(static_cast<size_t>(count));
    Bytes(palette.data(), int64_t(count) * 3);
    return palette;
  }

 private:
  bool Affordable(int64_t count, int64_t itemSize, int64_t bound) {
    if (fOk && (count < 0 || count > bound || count * itemSize > fStream.Remaining())) fOk = false;
    return fOk;
  }

  TStream& fStream;
  bool fOk = true;
};

}  // namespace

TDateTime KXToday() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return TDateTime(DaysFromCivil(local.tm_year + 1900, unsigned(local.tm_mon + 1), unsigned(local.tm_mday)) -
                   DaysFromCivil(1899, 12, 30));
}

TIOParamsVals::TIOParamsVals(TIOParamsOwner* owner) : owner(owner) { SetDefaultParams(); }

void TIOParamsVals::SetDefaultParams() {
  // The member initializers are the defaults; only the owner's size and resolution, the clock
  // and the process-wide coder hooks are filled in here.
  TIOParamsVals fresh{TBare{}};
  fresh.owner = owner;
  fresh.Width = Width;
  fresh.Height = Height;
  fresh.DpiX = DpiX;
  fresh.DpiY = DpiY;
  if (owner) {
    if (const TBitmap* bitmap = owner->ParamsBitmap()) {
      fresh.Width = bitmap->Width();
      fresh.Height = bitmap->Height();
    }
    int32_t dpiX = 0, dpiY = 0;
    if (owner->ParamsViewDpi(dpiX, dpiY)) {
      fresh.DpiX = dpiX;
      fresh.DpiY = dpiY;
    }
  }
  fresh.TIFF_LZWDecompress = DefTIFF_LZWDECOMPFUNC;
  fresh.TIFF_LZWCompress = DefTIFF_LZWCOMPFUNC;
  fresh.GIF_LZWDecompress = DefGIF_LZWDECOMPFUNC;
  fresh.GIF_LZWCompress = DefGIF_LZWCOMPFUNC;
  fresh.TGA_Date = KXToday();
  *this = std::move(fresh);
}

void TIOParamsVals::Assign(const TIOParamsVals& source) {
  if (&source == this) return;
  TIOParamsOwner* own = owner;
  *this = source;
  owner = own;
}

void TIOParamsVals::SetColorMap(std::vector<TRGB> palette) {
  ColorMap = std::move(palette);
  ColorMapCount = int32_t(ColorMap.size());
}

void TIOParamsVals::FreeColorMap() {
  ColorMap.clear();
  ColorMap.shrink_to_fit();
  ColorMapCount = 0;
}

void TIOParamsVals::SaveToStream(TStream& stream) const {
  TParamsWriter w;
  w.Int(kStreamVersion);
  w.String(FileName);
  w.Int(FileType);
  for (int32_t v : {BitsPerSample, SamplesPerPixel, Width, Height, DpiX, DpiY}) w.Int(v);
  // The count written is the palette's own size, so the bytes after it always match it.
  int32_t count = ColorMap.empty() ? 0 : int32_t(ColorMap.size());
  w.Int(count);
  w.Bytes(ColorMap.data(), size_t(count) * 3);
  w.Byte(TIFF_Compression);
  w.Int(TIFF_ImageIndex);
  w.Byte(TIFF_Photometric);
  for (int32_t v : {TIFF_PlanarConfig, TIFF_HorizPosition, TIFF_VertPosition}) w.Int(v);
  for (const std::string* s : {&TIFF_DocumentName, &TIFF_ImageDescription, &TIFF_PageName}) w.String(*s);
  w.Int(TIFF_PageNumber);
  w.Int(TIFF_PageCount);
  w.String(GIF_Version);
  for (int32_t v : {GIF_ImageIndex, GIF_HorizPosition, GIF_VertPosition, GIF_DelayTime}) w.Int(v);
  w.Bool(GIF_Transparent);
  w.RGB(GIF_TransparentColor);
  w.Bool(GIF_Interlaced);
  w.Int(GIF_ScreenWidth);
  w.Int(GIF_ScreenHeight);
  w.RGB(GIF_Background);
  w.Int(GIF_AspectRatio);
  w.Byte(JPEG_ColorSpace);
  w.Int(JPEG_Quality);
  w.Byte(JPEG_DCTMethod);
  w.Bool(JPEG_OptimalHuffman);
  w.Int(JPEG_Smoothing);
  w.Bool(JPEG_Progressive);
  w.Byte(JPEG_Scale);
  w.Int(PCX_Version);
  w.Byte(PCX_Compression);
  w.Byte(BMP_Version);
  w.Byte(BMP_Compression);
  w.Int(ICO_ImageIndex);
  w.RGB(ICO_Background);
  for (int32_t v : {CUR_ImageIndex, CUR_HotSpotX, CUR_HotSpotY}) w.Int(v);
  w.RGB(CUR_Background);
  w.Bool(PNG_Interlaced);
  w.RGB(PNG_Background);
  w.Byte(PNG_Filter);
  w.Int(PNG_Compression);
  w.Int(TGA_XOrigin);
  w.Int(TGA_YOrigin);
  w.Bool(TGA_Compressed);
  w.String(TGA_Description);
  w.String(TGA_Author);
  w.Double(TGA_Date);
  w.String(TGA_Name);
  w.RGB(TGA_Background);
  w.Double(TGA_AspectRatio);
  w.Double(TGA_Gamma);
  w.Bool(TGA_GrayLevel);
  stream.WriteBuffer(w.Result().data(), int64_t(w.Result().size()));
}

bool TIOParamsVals::LoadFromStream(TStream& stream) {
  TParamsReader r(stream);
  const int32_t version = r.Int();
  if (!r.Ok() || version < 0 || version > kStreamVersion) return false;

  TIOParamsVals p(*this);
  p.FileName = r.String();
  p.FileType = version <= 1 ? int32_t(r.Byte()) : r.Int();
  for (int32_t* v : {&p.BitsPerSample, &p.SamplesPerPixel, &p.Width, &p.Height, &p.DpiX, &p.DpiY}) *v = r.Int();
  p.SetColorMap(r.Palette(r.Int()));
  p.TIFF_Compression = r.Enum(ioTIFF_PACKBITS);
  p.TIFF_ImageIndex = r.Int();
  p.TIFF_Photometric = r.Enum(ioTIFF_CIELAB);
  for (int32_t* v : {&p.TIFF_PlanarConfig, &p.TIFF_HorizPosition, &p.TIFF_VertPosition}) *v = r.Int();
  for (std::string* s : {&p.TIFF_DocumentName, &p.TIFF_ImageDescription, &p.TIFF_PageName}) *s = r.String();
  p.TIFF_PageNumber = r.Int();
  p.TIFF_PageCount = r.Int();
  p.GIF_Version = r.String();
  for (int32_t* v : {&p.GIF_ImageIndex, &p.GIF_HorizPosition, &p.GIF_VertPosition, &p.GIF_DelayTime}) *v = r.Int();
  p.GIF_Transparent = r.Bool();
  p.GIF_TransparentColor = r.RGB();
  p.GIF_Interlaced = r.Bool();
  p.GIF_ScreenWidth = r.Int();
  p.GIF_ScreenHeight = r.Int();
  p.GIF_Background = r.RGB();
  p.GIF_AspectRatio = r.Int();
  p.JPEG_ColorSpace = r.Enum(ioJPEG_YCbCrK);
  p.JPEG_Quality = r.Int();
  p.JPEG_DCTMethod = r.Enum(ioJPEG_FLOAT);
  p.JPEG_OptimalHuffman = r.Bool();
  p.JPEG_Smoothing = r.Int();
  p.JPEG_Progressive = r.Bool();
  if (version >= 1) p.JPEG_Scale = r.Enum(ioJPEG_EIGHTH);
  p.PCX_Version = r.Int();
  p.PCX_Compression = r.Enum(ioPCX_RLE);
  p.BMP_Version = r.Enum(ioBMP_BMOS2V2);
  p.BMP_Compression = r.Enum(ioBMP_RLE);
  if (version == 0) {
    // The first presets kept two icon and two cursor numbers that no longer mean anything.
    r.Int();
    r.Int();
    r.Int();
    r.Int();
    p.ICO_ImageIndex = p.CUR_ImageIndex = p.CUR_HotSpotX = p.CUR_HotSpotY = 0;
  } else {
    p.ICO_ImageIndex = r.Int();
    if (version >= 3) p.ICO_Background = r.RGB();
    for (int32_t* v : {&p.CUR_ImageIndex, &p.CUR_HotSpotX, &p.CUR_HotSpotY}) *v = r.Int();
  }
  if (version >= 3) p.CUR_Background = r.RGB();
  p.PNG_Interlaced = r.Bool();
  p.PNG_Background = r.RGB();
  p.PNG_Filter = r.Enum(ioPNG_FILTER_PAETH);
  p.PNG_Compression = r.Int();
  if (version >= 3) {
    p.TGA_XOrigin = r.Int();
    p.TGA_YOrigin = r.Int();
    p.TGA_Compressed = r.Bool();
    p.TGA_Description = r.String();
    p.TGA_Author = r.String();
    p.TGA_Date = r.Double();
    p.TGA_Name = r.String();
    p.TGA_Background = r.RGB();
    p.TGA_AspectRatio = r.Double();
    p.TGA_Gamma = r.Double();
    p.TGA_GrayLevel = r.Bool();
  }
  if (!r.Ok()) return false;
  *this = std::move(p);
  return true;
}

void TIOParamsVals::SaveToFile(const std::string& fileName) const {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
  file.Flush();
}

bool TIOParamsVals::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead);
  return LoadFromStream(file);
}

std::string TIOParamsVals::GetFileTypeStr() const {
  static constexpr const char* kTiffNames[] = {" Uncompressed", " Huffman", " Group 3 Fax", " Group 3 Fax 2D",
                                               " Group 4 Fax",  " LZW",     " Jpeg v.5",    " Jpeg",
                                               " PackBits RLE"};
  static constexpr const char* kJpegNames[] = {"", " Gray level", " YCbCr", " CMYK", " YCbCrK"};
  static constexpr const char* kBmpNames[] = {" ver.1", " ver.3", " OS/2 v.1", " OS/2 v.2"};
  std::string text;
  if (const PKXFileFormatInfo info = KXFileFormatGetInfo(FileType)) {
    std::string ext = KXFileFormatGetExt(FileType, 0);
    for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
    text = info->FullName + " (" + ext + ")";
  }
  // Enumerations are checked on load, but a caller may have stored any byte.
  auto pick = [](const auto& names, unsigned index) { return index < std::size(names) ? names[index] : ""; };
  switch (FileType) {
    case ioTIFF: return text + pick(kTiffNames, TIFF_Compression);
    case ioGIF: return text + (GIF_Interlaced ? " Interlaced" : "");
    case ioJPEG: return text + pick(kJpegNames, JPEG_ColorSpace);
    case ioPCX: return text + (PCX_Compression == ioPCX_UNCOMPRESSED ? " Uncompressed" : "");
    case ioBMP: return text + pick(kBmpNames, BMP_Version);
    case ioPNG: return text + (PNG_Interlaced ? " Interlaced" : "");
    case ioTGA: return text + (TGA_Compressed ? " Compressed" : " Uncompressed");
    default: return text;
  }
}

}  // namespace kx

// TIOParamsVals: defaults, copying and the versioned binary form (versions 0 to 3 read,
// version 3 written). Counts and lengths read from a stream are checked against the bytes that
// remain before anything is allocated, and a stream is parsed into a copy that replaces the
// record only when every row was read, so a bad preset never leaves a half-loaded record.
#include "imaging/io/ioparams.h"

#include <cctype>
#include <cstring>
#include <ctime>
#include <iterator>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_reader.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/stream.h"
#include "imaging/io/civil_date.h"
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

// The writer's side of the field list: each value goes into the block.
class TParamsWriter {
 public:
  void Int(int32_t v) { fOut.I32LE(v); }
  // FileType was one byte before version 2; the writer only writes the newest version.
  void ByteInt(int32_t v) { fOut.U8(uint8_t(v)); }
  void Bool(bool v) { fOut.U8(v ? 1 : 0); }
  template <typename E>
  void Enum(E v, E /*last*/) {
    fOut.U8(uint8_t(v));
  }
  void Double(double v) { fOut.F64LE(v); }
  void RGB(TRGB c) { fOut.Bytes(&c, 3); }
  void String(const std::string& s) {
    fOut.I32LE(int32_t(s.size()));
    fOut.Bytes(s.data(), s.size());
  }
  // The count written is the palette's own size, so the bytes after it always match it.
  void Palette(const TIOParamsVals& p) {
    fOut.I32LE(int32_t(p.ColorMap.size()));
    fOut.Bytes(p.ColorMap.data(), p.ColorMap.size() * 3);
  }
  void Unused(int64_t n) { fOut.Zeros(size_t(n)); }
  const std::vector<uint8_t>& Result() const { return fOut.Result(); }

 private:
  TKXByteWriter fOut;
};

// The reader's side: reads stop at the first failure (the byte reader's flag is sticky), so
// the caller checks Ok() once at the end.
class TParamsReader {
 public:
  explicit TParamsReader(TStream& stream) : fIn(stream) {}
  bool Ok() const { return fIn.Ok(); }

  void Int(int32_t& v) { v = fIn.I32LE(); }
  void ByteInt(int32_t& v) { v = fIn.U8(); }
  void Bool(bool& v) {
    const uint8_t b = fIn.U8();
    if (b > 1) fIn.Fail();
    v = b == 1;
  }
  template <typename E>
  void Enum(E& v, E last) {
    const uint8_t b = fIn.U8();
    if (b > uint8_t(last)) fIn.Fail();
    v = fIn.Ok() ? E(b) : E{};
  }
  void Double(double& v) { v = fIn.F64LE(); }
  void RGB(TRGB& c) { fIn.Bytes(&c, 3); }
  void String(std::string& s) { s = fIn.String(fIn.I32LE(), kMaxStringLength); }
  void Palette(TIOParamsVals& p) {
    const int32_t count = fIn.I32LE();
    std::vector<TRGB> palette;
    if (fIn.CountFits(count, 3, kMaxColorMapCount)) {
      palette.resize(size_t(count));
      fIn.Bytes(palette.data(), int64_t(count) * 3);
    }
    p.SetColorMap(std::move(palette));
  }
  void Unused(int64_t n) { fIn.Skip(n); }

 private:
  TKXByteReader fIn;
};

// The binary form after the version, in stream order, for both directions: `c` is a
// TParamsWriter (with a const record) or a TParamsReader. `version` is the stream's.
template <typename Coder, typename Params>
void CodeFields(Coder& c, Params& p, int32_t version) {
  c.String(p.FileName);
  if (version <= 1)
    c.ByteInt(p.FileType);
  else
    c.Int(p.FileType);
  for (auto* v : {&p.BitsPerSample, &p.SamplesPerPixel, &p.Width, &p.Height, &p.DpiX, &p.DpiY}) c.Int(*v);
  c.Palette(p);
  c.Enum(p.TIFF_Compression, ioTIFF_PACKBITS);
  c.Int(p.TIFF_ImageIndex);
  c.Enum(p.TIFF_Photometric, ioTIFF_CIELAB);
  for (auto* v : {&p.TIFF_PlanarConfig, &p.TIFF_HorizPosition, &p.TIFF_VertPosition}) c.Int(*v);
  for (auto* s : {&p.TIFF_DocumentName, &p.TIFF_ImageDescription, &p.TIFF_PageName}) c.String(*s);
  c.Int(p.TIFF_PageNumber);
  c.Int(p.TIFF_PageCount);
  c.String(p.GIF_Version);
  for (auto* v : {&p.GIF_ImageIndex, &p.GIF_HorizPosition, &p.GIF_VertPosition, &p.GIF_DelayTime}) c.Int(*v);
  c.Bool(p.GIF_Transparent);
  c.RGB(p.GIF_TransparentColor);
  c.Bool(p.GIF_Interlaced);
  c.Int(p.GIF_ScreenWidth);
  c.Int(p.GIF_ScreenHeight);
  c.RGB(p.GIF_Background);
  c.Int(p.GIF_AspectRatio);
  c.Enum(p.JPEG_ColorSpace, ioJPEG_YCbCrK);
  c.Int(p.JPEG_Quality);
  c.Enum(p.JPEG_DCTMethod, ioJPEG_FLOAT);
  c.Bool(p.JPEG_OptimalHuffman);
  c.Int(p.JPEG_Smoothing);
  c.Bool(p.JPEG_Progressive);
  if (version >= 1) c.Enum(p.JPEG_Scale, ioJPEG_EIGHTH);
  c.Int(p.PCX_Version);
  c.Enum(p.PCX_Compression, ioPCX_RLE);
  c.Enum(p.BMP_Version, ioBMP_BMOS2V2);
  c.Enum(p.BMP_Compression, ioBMP_RLE);
  if (version == 0) {
    // The first presets kept two icon and two cursor numbers that no longer mean anything.
    c.Unused(16);
  } else {
    c.Int(p.ICO_ImageIndex);
    if (version >= 3) c.RGB(p.ICO_Background);
    for (auto* v : {&p.CUR_ImageIndex, &p.CUR_HotSpotX, &p.CUR_HotSpotY}) c.Int(*v);
  }
  if (version >= 3) c.RGB(p.CUR_Background);
  c.Bool(p.PNG_Interlaced);
  c.RGB(p.PNG_Background);
  c.Enum(p.PNG_Filter, ioPNG_FILTER_PAETH);
  c.Int(p.PNG_Compression);
  if (version < 3) return;
  c.Int(p.TGA_XOrigin);
  c.Int(p.TGA_YOrigin);
  c.Bool(p.TGA_Compressed);
  c.String(p.TGA_Description);
  c.String(p.TGA_Author);
  c.Double(p.TGA_Date);
  c.String(p.TGA_Name);
  c.RGB(p.TGA_Background);
  c.Double(p.TGA_AspectRatio);
  c.Double(p.TGA_Gamma);
  c.Bool(p.TGA_GrayLevel);
}

}  // namespace

TDateTime KXToday() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return TDateTime(KXDaysFromCivil({local.tm_year + 1900, unsigned(local.tm_mon + 1), unsigned(local.tm_mday)}) -
                   kKXDateOriginFromUnix);
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
  CodeFields(w, *this, kStreamVersion);
  stream.WriteBuffer(w.Result().data(), int64_t(w.Result().size()));
}

bool TIOParamsVals::LoadFromStream(TStream& stream) {
  TParamsReader r(stream);
  int32_t version = 0;
  r.Int(version);
  if (!r.Ok() || version < 0 || version > kStreamVersion) return false;
  TIOParamsVals p(*this);
  CodeFields(r, p, version);
  if (!r.Ok()) return false;
  if (version == 0) p.ICO_ImageIndex = p.CUR_ImageIndex = p.CUR_HotSpotX = p.CUR_HotSpotY = 0;
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
  static constexpr const char* kTiffNames[] = {" Uncompressed",   " Huffman",     " Group 3 Fax",
                                               " Group 3 Fax 2D", " Group 4 Fax", " LZW",
                                               " Jpeg v.5",       " Jpeg",        " PackBits RLE"};
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
    case ioTIFF:
      return text + pick(kTiffNames, TIFF_Compression);
    case ioGIF:
      return text + (GIF_Interlaced ? " Interlaced" : "");
    case ioJPEG:
      return text + pick(kJpegNames, JPEG_ColorSpace);
    case ioPCX:
      return text + (PCX_Compression == ioPCX_UNCOMPRESSED ? " Uncompressed" : "");
    case ioBMP:
      return text + pick(kBmpNames, BMP_Version);
    case ioPNG:
      return text + (PNG_Interlaced ? " Interlaced" : "");
    case ioTGA:
      return text + (TGA_Compressed ? " Compressed" : " Uncompressed");
    default:
      return text;
  }
}

}  // namespace kx

// TIFF page reading. A page is decoded block by block (a strip, or a tile of a tiled page):
// each block's rows are decoded into one buffer, then every row is unpacked to whole samples
// and converted into the bitmap by the page's photometric interpretation. Fax strips are the
// exception: their rows are decoded straight into the bitmap in its polarity.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/fax/fax_decoder.h"
#include "imaging/proc/pixel_convert.h"
#include "platform/memory.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/tiff_codec.h"
#include "imaging/io/tiff_ifd.h"
#include "imaging/io/tiff_packbits.h"
#include "platform/screen.h"

namespace kx {
namespace {

constexpr uint32_t kNone = 1, kHuffman = 2, kGroup3 = 3, kGroup4 = 4, kLzw = 5, kPackBits = 32773;
constexpr uint32_t kWhiteIsZero = 0, kBlackIsZero = 1, kRgb = 2, kPalette = 3, kCmyk = 5, kCieLab = 8;
// Sample counts and strip or tile counts beyond these are no picture anyone writes.
constexpr uint32_t kMaxSamples = 16;
constexpr uint32_t kMaxBlocks = 1u << 24;
// Bytes of an uncompressed strip read at a time: small enough to stay in the cache.
constexpr uint64_t kBatchBytes = 256 * 1024;

bool IsFax(uint32_t compression) { return compression == kHuffman || compression == kGroup3 || compression == kGroup4; }

// What one page says about itself.
struct TTiffPage {
  uint32_t Width = 0, Height = 0;
  uint32_t Samples = 1, Bits = 1;
  uint32_t Compression = kNone;
  uint32_t Photometric = kRgb;
  bool PhotometricGiven = false;
  uint32_t FillOrder = 1, Planar = 1, Predictor = 1, T4Options = 0, ResolutionUnit = 2;
  uint32_t RowsPerStrip = 0;
  double XResolution = 0, YResolution = 0, XPosition = 0, YPosition = 0;
  std::string DocumentName, Description, PageName, Software;
  uint32_t PageNumber = 0, PageCount = 0;
  bool Tiled = false;
  uint32_t TileWidth = 0, TileLength = 0;
  std::vector<uint32_t> Offsets, Counts;
  std::vector<TRGB> Palette;
  bool BitsDiffer = false;
};

TIOTIFFCompression CompressionParam(const TTiffPage& p, TIOTIFFCompression keep) {
  switch (p.Compression) {
    case kNone:
      return ioTIFF_UNCOMPRESSED;
    case kHuffman:
      return ioTIFF_CCITT1D;
    case kGroup3:
      return p.T4Options & 1 ? ioTIFF_G3FAX2D : ioTIFF_G3FAX1D;
    case kGroup4:
      return ioTIFF_G4FAX;
    case kLzw:
      return ioTIFF_LZW;
    case 6:
      return ioTIFF_OLDJPEG;
    case 7:
      return ioTIFF_JPEG;
    case kPackBits:
      return ioTIFF_PACKBITS;
    default:
      return keep;
  }
}

TIOTIFFPhotometInterpret PhotometricParam(uint32_t photometric, TIOTIFFPhotometInterpret keep) {
  switch (photometric) {
    case 0:
      return ioTIFF_WHITEISZERO;
    case 1:
      return ioTIFF_BLACKISZERO;
    case 2:
      return ioTIFF_RGB;
    case 3:
      return ioTIFF_RGBPALETTE;
    case 4:
      return ioTIFF_TRANSPMASK;
    case 5:
      return ioTIFF_CMYK;
    case 6:
      return ioTIFF_YCBCR;
    case 8:
      return ioTIFF_CIELAB;
    default:
      return keep;
  }
}

void ReadPage(TTiffInput& in, const TTiffIfd& ifd, TTiffPage& p) {
  p.Width = in.Integer(ifd.Find(ttImageWidth), 0);
  p.Height = in.Integer(ifd.Find(ttImageLength), 0);
  p.Samples = in.Integer(ifd.Find(ttSamplesPerPixel), 1);
  if (const TTiffEntry* e = ifd.Find(ttBitsPerSample)) {
    std::vector<uint32_t> bits;
    if (in.Integers(*e, bits, kMaxSamples) && !bits.empty()) {
      p.Bits = bits[0];
      p.BitsDiffer = std::any_of(bits.begin(), bits.end(), [&](uint32_t b) { return b != bits[0]; });
    } else {
      p.Bits = in.Integer(e, 1);
    }
  }
  p.Compression = in.Integer(ifd.Find(ttCompression), kNone);
  p.PhotometricGiven = ifd.Find(ttPhotometric) != nullptr;
  p.Photometric = in.Integer(ifd.Find(ttPhotometric), kRgb);
  p.FillOrder = in.Integer(ifd.Find(ttFillOrder), 1);
  p.Planar = in.Integer(ifd.Find(ttPlanarConfig), 1);
  p.Predictor = in.Integer(ifd.Find(ttPredictor), 1);
  p.T4Options = in.Integer(ifd.Find(ttT4Options), 0);
  p.ResolutionUnit = in.Integer(ifd.Find(ttResolutionUnit), 2);
  p.RowsPerStrip = in.Integer(ifd.Find(ttRowsPerStrip), p.Height);
  if (p.RowsPerStrip == 0xFFFFFFFF) p.RowsPerStrip = p.Height;
  p.XResolution = in.Rational(ifd.Find(ttXResolution));
  p.YResolution = in.Rational(ifd.Find(ttYResolution));
  p.XPosition = in.Rational(ifd.Find(ttXPosition));
  p.YPosition = in.Rational(ifd.Find(ttYPosition));
  p.DocumentName = in.Text(ifd.Find(ttDocumentName));
  p.Description = in.Text(ifd.Find(ttImageDescription));
  p.PageName = in.Text(ifd.Find(ttPageName));
  p.Software = in.Text(ifd.Find(ttSoftware));
  if (const TTiffEntry* e = ifd.Find(ttPageNumber)) {
    std::vector<uint32_t> pair;
    if (in.Integers(*e, pair, 2) && pair.size() == 2) p.PageNumber = pair[0], p.PageCount = pair[1];
  }
  const TTiffEntry* tileWidth = ifd.Find(ttTileWidth);
  const TTiffEntry* tileLength = ifd.Find(ttTileLength);
  p.TileWidth = in.Integer(tileWidth, 0);
  p.TileLength = in.Integer(tileLength, 0);
  p.Tiled = p.TileWidth > 0 && p.TileLength > 0;
  const TTiffEntry* offsets = ifd.Find(p.Tiled ? ttTileOffsets : ttStripOffsets);
  const TTiffEntry* counts = ifd.Find(p.Tiled ? ttTileByteCounts : ttStripByteCounts);
  if (offsets) in.Integers(*offsets, p.Offsets, kMaxBlocks);
  if (counts) in.Integers(*counts, p.Counts, kMaxBlocks);
  if (const TTiffEntry* e = ifd.Find(ttColorMap); e && p.Bits >= 1 && p.Bits <= 8) {
    const uint32_t n = 1u << p.Bits;
    std::vector<uint32_t> map;
    if (in.Integers(*e, map, 3 * 256) && map.size() >= 3 * n) {
      p.Palette.resize(n);
      for (uint32_t i = 0; i < n; ++i)
        p.Palette[i] = TRGB{uint8_t(map[i + 2 * n] >> 8), uint8_t(map[i + n] >> 8), uint8_t(map[i] >> 8)};
    }
  }
}

void FillParams(const TTiffPage& p, TIOParamsVals& params) {
  params.BitsPerSample = int32_t(std::min<uint32_t>(p.Bits, INT32_MAX));
  params.SamplesPerPixel = int32_t(std::min<uint32_t>(p.Samples, INT32_MAX));
  params.Width = int32_t(std::min<uint32_t>(p.Width, INT32_MAX));
  params.Height = int32_t(std::min<uint32_t>(p.Height, INT32_MAX));
  params.TIFF_Compression = CompressionParam(p, params.TIFF_Compression);
  params.TIFF_Photometric = PhotometricParam(p.Photometric, params.TIFF_Photometric);
  params.TIFF_PlanarConfig = int32_t(std::min<uint32_t>(p.Planar, INT32_MAX));
  params.TIFF_DocumentName = p.DocumentName;
  params.TIFF_ImageDescription = p.Description;
  params.TIFF_PageName = p.PageName;
  params.TIFF_PageNumber = int32_t(p.PageNumber);
  params.TIFF_PageCount = int32_t(p.PageCount);
  if (p.Palette.empty())
    params.FreeColorMap();
  else
    params.SetColorMap(p.Palette);
  const double factor = p.ResolutionUnit == 3 ? 2.54 : 1.0;
  auto dpi = [&](double r, int32_t screen) {
    const double v = std::trunc(r * factor);
    return v >= 1 && v < INT32_MAX ? int32_t(v) : screen;
  };
  params.DpiX = dpi(p.XResolution, gSystemDPIX);
  params.DpiY = dpi(p.YResolution, gSystemDPIY);
  auto inches = [&](double pos) {
    const double v = std::trunc(p.ResolutionUnit == 3 ? pos / 2.54 : pos);
    return std::isfinite(v) ? int32_t(std::clamp(v, double(INT32_MIN), double(INT32_MAX))) : 0;
  };
  params.TIFF_HorizPosition = inches(p.XPosition);
  params.TIFF_VertPosition = inches(p.YPosition);
}

// How the rows of a page become pixels.
enum class TPixelKind { bilevel, gray, gray16, palette, rgb, rgb15, cmyk, lab };

// The kind of a page, or false with the reason when this reader cannot decode it.
bool Classify(const TTiffPage& p, TPixelKind& kind, std::string& reason) {
  const uint32_t s = p.Samples, b = p.Bits;
  const bool grayish = p.Photometric == kWhiteIsZero || p.Photometric == kBlackIsZero;
  if (grayish && s == 1 && b == 1)
    kind = TPixelKind::bilevel;
  else if (grayish && s == 1 && (b == 2 || b == 4 || b == 8))
    kind = TPixelKind::gray;
  else if (grayish && s == 1 && b == 16)
    kind = TPixelKind::gray16;
  else if (p.Photometric == kPalette && s == 1 && b >= 1 && b <= 8)
    kind = TPixelKind::palette;
  else if (p.Photometric == kRgb && (s == 3 || s == 4) && b == 8)
    kind = TPixelKind::rgb;
  else if (p.Photometric == kRgb && s == 1 && b == 16)
    kind = TPixelKind::rgb15;
  else if (p.Photometric == kCmyk && s == 4 && b == 8)
    kind = TPixelKind::cmyk;
  else if (p.Photometric == kCieLab && s == 3 && b == 8)
    kind = TPixelKind::lab;
  else {
    reason = "TIFF pages of photometric interpretation " + std::to_string(p.Photometric) + " with " +
             std::to_string(s) + " x " + std::to_string(b) + "-bit samples are not supported";
    return false;
  }
  if (IsFax(p.Compression) && kind != TPixelKind::bilevel) {
    reason = "fax coding of a page that is not bilevel";
    return false;
  }
  if (kind == TPixelKind::palette && p.Palette.empty()) {
    reason = "TIFF palette page without a colour map";
    return false;
  }
  if (p.Planar == 2 && kind != TPixelKind::rgb && kind != TPixelKind::cmyk && kind != TPixelKind::lab && s != 1) {
    reason = "separate planes are not supported for this page";
    return false;
  }
  return true;
}

uint8_t Clamp8(double v) { return uint8_t(v <= 0 ? 0 : v >= 1 ? 255 : std::trunc(std::sqrt(v) * 256)); }

TRGB LabToRgb(uint8_t l, uint8_t a8, uint8_t b8) {
  const double ls = l / 255.0 * 100;
  const int a = int8_t(a8) == -128 ? 128 : int8_t(a8), b = int8_t(b8) == -128 ? 128 : int8_t(b8);
  const double as = (a + 127) / 255.0 * 200 - 100, bs = (b + 127) / 255.0 * 200 - 100;
  const double fy = (ls + 16) / 116;
  double x, y, z;
  if (ls >= 7.9996) {
    x = std::pow(fy + as / 500, 3);
    y = fy * fy * fy;
    z = std::pow(fy - bs / 200, 3);
  } else {
    y = ls / 903.3;
    x = y + as / 3893.5;
    z = y - bs / 1557.4;
  }
  const double r = 2.69 * x - 1.276 * y - 0.414 * z;
  const double g = -1.022 * x + 1.978 * y + 0.044 * z;
  const double bl = 0.061 * x - 0.224 * y + 1.163 * z;
  return TRGB{Clamp8(bl), Clamp8(g), Clamp8(r)};
}

// One page being decoded.
class TPageDecoder {
 public:
  TPageDecoder(TTiffInput& in, const TTiffPage& page, TPixelKind kind, TBitmap& bitmap, TTIFFLZWDecompFunc lzw,
               TProgressRec& progress)
      : fIn(in), fP(page), fKind(kind), fBitmap(bitmap), fLzw(lzw), fProgress(progress) {}

  void Run();

 private:
  // Decodes block `index` (rows x width pixels of `samples` samples) into `out`; an uncompressed
  // strip may be read in parts, `rows` of them from row `firstRow` of the strip on. A fax strip
  // goes into the bitmap's rows from `directY` on when that is not negative, `whiteBit` the value
  // of its white pixels there.
  bool DecodeBlock(uint32_t index, uint32_t firstRow, uint32_t rows, uint32_t width, uint32_t samples,
                   std::vector<uint8_t>& out, int32_t directY = -1, uint8_t whiteBit = 1);
  // Whole samples of one row (one byte each, two for 16 bits) from its packed bytes.
  void Unpack(const uint8_t* packed, uint32_t count, uint8_t* samples) const;
  void PutRow(int32_t y, uint32_t x0, uint32_t width, const uint8_t* row);
  bool Fail(const std::string& reason) {
    fProgress.Abort(reason);
    return false;
  }

  TTiffInput& fIn;
  const TTiffPage& fP;
  TPixelKind fKind;
  TBitmap& fBitmap;
  TTIFFLZWDecompFunc fLzw;
  TProgressRec& fProgress;
  // The coded bytes of the current block; a block from the allocator, which a page-sized strip
  // needs: it comes without a clearing pass and is made present on the second core.
  TBlock fData;
  uint64_t fDataCapacity = 0;
  std::optional<TPackBitsReader> fPackBits;  // the strip being read in parts
  std::vector<uint8_t> fSamples;
  // Rows a direct fax strip has written so far, a failing one included.
  uint32_t fDirectRows = 0;
};

uint64_t RowBytes(uint32_t samples, uint32_t width, uint32_t bits) {
  return (uint64_t(samples) * width * bits + 7) / 8;
}

bool TPageDecoder::DecodeBlock(uint32_t index, uint32_t firstRow, uint32_t rows, uint32_t width, uint32_t samples,
                               std::vector<uint8_t>& out, int32_t directY, uint8_t whiteBit) {
  const uint64_t rowBytes = RowBytes(samples, width, fP.Bits);
  fDirectRows = 0;
  // Decoders that can fail leave what they never reached black; uncompressed rows are read
  // over the whole buffer, so it is cleared only where the data ends early. Direct rows need no
  // buffer.
  if (directY >= 0)
    out.clear();
  else if (fP.Compression == kNone && fP.FillOrder != 2)
    out.resize(size_t(rowBytes * rows));
  else
    out.assign(size_t(rowBytes * rows), 0);
  if (index >= fP.Offsets.size()) return Fail("TIFF strip or tile missing");
  const uint64_t offset = fP.Offsets[index];
  if (offset >= uint64_t(fIn.Size())) return Fail("TIFF strip or tile beyond the end of the file");
  // A missing or zero count means up to the end of the stream; a count past it is cut there.
  uint64_t count = index < fP.Counts.size() ? fP.Counts[index] : 0;
  if (count == 0 || count > uint64_t(fIn.Size()) - offset) count = uint64_t(fIn.Size()) - offset;
  // Uncompressed rows are read straight into place.
  if (fP.Compression == kNone && fP.FillOrder != 2) {
    const uint64_t skip = uint64_t(firstRow) * rowBytes;
    const uint64_t take = count > skip ? std::min<uint64_t>(count - skip, out.size()) : 0;
    if (!fIn.ReadInto(offset + skip, take, out.data())) return Fail("TIFF strip or tile cannot be read");
    if (take < out.size()) {
      std::fill(out.begin() + ptrdiff_t(take), out.end(), uint8_t(0));
      return Fail("TIFF pixel data ends early");
    }
    return true;
  }
  // Further parts of a PackBits strip go on from where the last one stopped.
  if (fP.Compression == kPackBits && firstRow > 0) {
    if (!fPackBits->Read(out)) return Fail("TIFF PackBits data ends early");
    return true;
  }
  if (count > fDataCapacity) {
    fData = KXAllocZeroedBlock(size_t(count));
    fDataCapacity = count;
  }
  if (!fIn.ReadInto(offset, count, fData.get())) return Fail("TIFF strip or tile cannot be read");
  const std::span<uint8_t> coded(fData.get(), size_t(count));
  if (fP.FillOrder == 2 && !IsFax(fP.Compression))
    for (uint8_t& b : coded) b = uint8_t(((b * 0x0802u & 0x22110u) | (b * 0x8020u & 0x88440u)) * 0x10101u >> 16);
  std::span<const uint8_t> data(coded);
  switch (fP.Compression) {
    case kNone:
      std::memcpy(out.data(), data.data(), std::min<size_t>(out.size(), data.size()));
      if (data.size() < out.size()) return Fail("TIFF pixel data ends early");
      return true;
    case kPackBits:
      fPackBits.emplace(data);
      if (!fPackBits->Read(out)) return Fail("TIFF PackBits data ends early");
      return true;
    case kHuffman:
    case kGroup3:
    case kGroup4: {
      TKXFaxDecoder fax(data, int32_t(width), fP.FillOrder == 2, whiteBit);
      for (uint32_t r = 0; r < rows; ++r) {
        uint8_t* row = directY >= 0 ? fBitmap.ScanLine(directY + int32_t(r)) : out.data() + r * rowBytes;
        fDirectRows = r + 1;
        TFaxStatus s = fP.Compression == kHuffman ? fax.CCITTHuffmanGetLine(row)
                       : fP.Compression == kGroup3 && !(fP.T4Options & 1)
                           ? fax._CCITTHuffmanGetLine(row)
                           : fax.CCITT3_2D_GetLine(row, fP.Compression == kGroup3);
        if (s == TFaxStatus::fsDamaged) return Fail("damaged fax data");
        if (s == TFaxStatus::fsEnded) return Fail("fax data ends early");
      }
      return true;
    }
    case kLzw: {
      intptr_t context = 0;
      bool ok = true;
      for (uint32_t r = 0; r < rows && ok; ++r) {
        const uint8_t* row = fLzw(data.data(), int64_t(data.size()), int32_t(rowBytes), context);
        if (row)
          std::memcpy(out.data() + r * rowBytes, row, size_t(rowBytes));
        else
          ok = false;
      }
      fLzw(nullptr, 0, 0, context);
      if (!ok) return Fail("damaged LZW data");
      if (fP.Predictor == 2 && fP.Bits == 8)
        for (uint32_t r = 0; r < rows; ++r) {
          uint8_t* row = out.data() + r * rowBytes;
          for (uint64_t i = samples; i < uint64_t(width) * samples; ++i) row[i] = uint8_t(row[i] + row[i - samples]);
        }
      return true;
    }
    default:
      return Fail("TIFF compression " + std::to_string(fP.Compression) + " is not supported");
  }
}

void TPageDecoder::Unpack(const uint8_t* packed, uint32_t count, uint8_t* samples) const {
  const uint32_t bits = fP.Bits;
  if (bits == 8 || bits == 16) {
    std::memcpy(samples, packed, size_t(count) * (bits / 8));
    return;
  }
  const uint32_t mask = (1u << bits) - 1;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t bit = uint64_t(i) * bits;
    const uint32_t word = (uint32_t(packed[bit / 8]) << 8) | ((bit % 8) + bits > 8 ? packed[bit / 8 + 1] : 0);
    samples[i] = uint8_t((word >> (16 - bits - bit % 8)) & mask);
  }
}

void TPageDecoder::PutRow(int32_t y, uint32_t x0, uint32_t width, const uint8_t* s) {
  uint8_t* line = fBitmap.ScanLine(y);
  TRGB* px = reinterpret_cast<TRGB*>(line) + x0;
  const uint32_t n = fP.Samples;
  const bool big = fIn.BigEndian();
  auto u16 = [&](uint32_t i) {
    return big ? uint32_t(s[2 * i] << 8 | s[2 * i + 1]) : uint32_t(s[2 * i + 1] << 8 | s[2 * i]);
  };
  switch (fKind) {
    case TPixelKind::bilevel:
      break;  // copied packed by the caller
    case TPixelKind::gray: {
      const uint32_t top = (1u << fP.Bits) - 1;
      uint8_t map[256];
      for (uint32_t v = 0; v <= top; ++v) {
        const uint8_t g = uint8_t(v * 255 / top);
        map[v] = fP.Photometric == kWhiteIsZero ? uint8_t(255 - g) : g;
      }
      for (uint32_t x = 0; x < width; ++x) px[x] = TRGB{map[s[x]], map[s[x]], map[s[x]]};
      break;
    }
    case TPixelKind::gray16: {
      const int shift = fP.Software.compare(0, 15, "Look@Molli v1.1") == 0 ? 4 : 8;
      for (uint32_t x = 0; x < width; ++x) {
        uint32_t v = u16(x);
        if (fP.Photometric == kWhiteIsZero) v = 65535 - v;
        const uint8_t g = uint8_t(std::min<uint32_t>(v >> shift, 255));
        px[x] = TRGB{g, g, g};
      }
      break;
    }
    case TPixelKind::palette:
      for (uint32_t x = 0; x < width; ++x) px[x] = s[x] < fP.Palette.size() ? fP.Palette[s[x]] : TRGB{};
      break;
    case TPixelKind::rgb:
      if (n == 3)
        _CopyBGR_RGB(px, reinterpret_cast<const TRGB*>(s), int32_t(width));
      else
        for (uint32_t x = 0; x < width; ++x, s += n) px[x] = TRGB{s[2], s[1], s[0]};
      break;
    case TPixelKind::rgb15:
      for (uint32_t x = 0; x < width; ++x) {
        const uint32_t v = u16(x);
        px[x] = TRGB{uint8_t((v & 31) * 8), uint8_t((v >> 5 & 31) * 8), uint8_t((v >> 10 & 31) * 8)};
      }
      break;
    case TPixelKind::cmyk:
      for (uint32_t x = 0; x < width; ++x, s += 4) {
        const uint32_t k = 255u - s[3];
        px[x] =
            TRGB{uint8_t((255u - s[2]) * k / 255), uint8_t((255u - s[1]) * k / 255), uint8_t((255u - s[0]) * k / 255)};
      }
      break;
    case TPixelKind::lab:
      for (uint32_t x = 0; x < width; ++x, s += 3) px[x] = LabToRgb(s[0], s[1], s[2]);
      break;
  }
}

void TPageDecoder::Run() {
  const uint32_t W = fP.Width, H = fP.Height;
  const uint32_t bw = fP.Tiled ? fP.TileWidth : W;
  const uint32_t bh = fP.Tiled ? fP.TileLength : std::clamp<uint32_t>(fP.RowsPerStrip == 0 ? H : fP.RowsPerStrip, 1, H);
  const uint32_t across = (W + bw - 1) / bw, down = (H + bh - 1) / bh;
  const bool planar = fP.Planar == 2 && fP.Samples > 1;
  const uint32_t planes = planar ? fP.Samples : 1;
  const uint32_t perBlock = planar ? 1 : fP.Samples;
  const uint64_t perPlane = uint64_t(across) * down;
  const bool invert = fKind == TPixelKind::bilevel && ((fP.Photometric == kWhiteIsZero && !IsFax(fP.Compression)) ||
                                                       (fP.Photometric == kBlackIsZero && IsFax(fP.Compression)));
  const uint64_t rowBytes = RowBytes(perBlock, bw, fP.Bits);
  // An uncompressed or PackBits strip is read a batch of rows at a time: a writer may put the
  // whole page in one strip, and decoding that into one buffer would fault in and fill a second
  // copy of the picture that is out of the cache again before its rows are put into place.
  // (PackBits keeps one decoding state, so separate planes are read whole.)
  const bool inParts = !fP.Tiled && ((fP.Compression == kNone && fP.FillOrder != 2) ||
                                     (fP.Compression == kPackBits && !planar));
  const uint32_t batch =
      inParts ? uint32_t(std::clamp<uint64_t>(kBatchBytes / std::max<uint64_t>(rowBytes, 1), 1, bh)) : bh;
  // Fax strips go straight into the bitmap: a strip spans the page's whole width.
  const bool direct = fKind == TPixelKind::bilevel && IsFax(fP.Compression) && !fP.Tiled && !planar;
  std::vector<std::vector<uint8_t>> blocks(planes);
  std::vector<uint8_t> interleaved(size_t(uint64_t(bw) * fP.Samples * (fP.Bits == 16 ? 2 : 1)));
  fSamples.resize(interleaved.size());
  fProgress.SetUnits(H);
  fProgress.val = 0;
  for (uint32_t by = 0; by < down; ++by) {
    const uint32_t stripRows = std::min(bh, H - by * bh);
    for (uint32_t first = 0; first < stripRows; first += batch) {
      const uint32_t rows = std::min(batch, stripRows - first);
      for (uint32_t bx = 0; bx < across; ++bx) {
        const uint32_t x0 = bx * bw, width = std::min(bw, W - x0);
        // Strips are decoded only as far as the page reaches; tiles whole.
        const uint32_t decodeRows = fP.Tiled ? bh : rows;
        // A block that fails still gives the rows it decoded; the page stops after them.
        bool ok = true;
        if (direct) {
          const int32_t y0 = int32_t(by * bh);
          if (DecodeBlock(uint32_t(uint64_t(by) * across), 0, rows, bw, perBlock, blocks[0], y0, invert ? 0 : 1))
            continue;
          // Rows never reached get the coded black of a cleared buffer, in the picture's polarity.
          for (uint32_t r = fDirectRows; r < rows; ++r)
            std::memset(fBitmap.ScanLine(y0 + int32_t(r)), invert ? 0xFF : 0, (width + 7) / 8);
          return;
        }
        for (uint32_t p = 0; p < planes && ok; ++p)
          ok = DecodeBlock(uint32_t(p * perPlane + uint64_t(by) * across + bx), first, decodeRows, bw, perBlock,
                           blocks[p]);
        if (!ok)
          for (auto& b : blocks) b.resize(size_t(rowBytes * decodeRows), 0);
        for (uint32_t r = 0; r < rows; ++r) {
          const int32_t y = int32_t(by * bh + first + r);
          if (fKind == TPixelKind::bilevel) {
            const uint8_t* src = blocks[0].data() + r * rowBytes;
            uint8_t* dst = fBitmap.ScanLine(y) + x0 / 8;
            const uint32_t bytes = (width + 7) / 8;
            if (invert)
              for (uint32_t i = 0; i < bytes; ++i) dst[i] = uint8_t(~src[i]);
            else
              std::memcpy(dst, src, bytes);
            continue;
          }
          if (planar) {
            const uint32_t step = fP.Bits == 16 ? 2 : 1;
            for (uint32_t p = 0; p < planes; ++p) {
              const uint8_t* src = blocks[p].data() + r * rowBytes;
              for (uint32_t x = 0; x < width; ++x)
                std::memcpy(&interleaved[(size_t(x) * planes + p) * step], src + size_t(x) * step, step);
            }
            PutRow(y, x0, width, interleaved.data());
          } else if (fP.Bits == 8 || fP.Bits == 16) {
            PutRow(y, x0, width, blocks[0].data() + r * rowBytes);
          } else {
            Unpack(blocks[0].data() + r * rowBytes, width * perBlock, fSamples.data());
            PutRow(y, x0, width, fSamples.data());
          }
        }
        if (!ok) return;
      }
      for (uint32_t r = 0; r < rows; ++r) {
        ++fProgress.val;
        fProgress.Report();
      }
      if (fProgress.Aborted()) return;
    }
  }
}

}  // namespace

void TIFFReadStream(TBitmap& bitmap, TStream& stream, int32_t& pageCount, TIOParamsVals* params, TProgressRec& progress,
                    bool paramsOnly) {
  pageCount = 0;
  TTiffInput in(stream);
  if (!in.Valid()) return progress.Abort("not a TIFF file");
  const std::vector<uint32_t> pages = in.PageOffsets();
  pageCount = int32_t(pages.size());
  if (!params) return;
  const int32_t index = params->TIFF_ImageIndex;
  if (index < 0 || index >= pageCount) return;
  TTiffIfd ifd;
  if (!in.ReadIfd(pages[size_t(index)], ifd)) return progress.Abort("TIFF directory cannot be read");
  TTiffPage page;
  ReadPage(in, ifd, page);
  if (!page.PhotometricGiven && page.Samples == 1 && page.Bits == 1)
    page.Photometric = IsFax(page.Compression) ? kWhiteIsZero : kBlackIsZero;
  FillParams(page, *params);
  if (page.BitsDiffer) return progress.Abort("TIFF samples of different depths are not supported");
  const TTIFFLZWDecompFunc lzw = params->TIFF_LZWDecompress ? params->TIFF_LZWDecompress : DefTIFF_LZWDECOMPFUNC;
  if (page.Compression == kLzw && !lzw) return progress.Abort("LZW-compressed TIFF pages need an LZW decoder");
  if (paramsOnly) return;
  TPixelKind kind = TPixelKind::rgb;
  std::string reason;
  const bool supported =
      page.Compression == kNone || page.Compression == kPackBits || page.Compression == kLzw || IsFax(page.Compression);
  if (!supported) reason = "TIFF compression " + std::to_string(page.Compression) + " is not supported";
  const bool decodable = supported && Classify(page, kind, reason);
  bitmap.SetSize(1, 1);
  bitmap.SetPixelFormat(kind == TPixelKind::bilevel ? pf1bit : pf24bit);
  if (!KXPixelsAllowed(page.Width, page.Height)) return progress.Abort(KXPixelsRefusal(page.Width, page.Height));
  if (!decodable) return progress.Abort(reason);
  if (page.Tiled && (page.TileWidth % 8 != 0 || !KXPixelsAllowed(page.TileWidth, page.TileLength)))
    return progress.Abort("TIFF tile size is not usable");
  if (page.Offsets.empty()) return progress.Abort("TIFF page without pixel data");
  bitmap.SetSize(int32_t(page.Width), int32_t(page.Height));
  if (kind == TPixelKind::bilevel) bitmap.SetPalette({TRGB{0, 0, 0}, TRGB{255, 255, 255}});
  TPageDecoder(in, page, kind, bitmap, lzw, progress).Run();
}

void TIFFReadImage(TStream& stream, TBitmap& bitmap, int64_t, TIOParamsVals& params, bool preview,
                   TProgressRec& progress) {
  int32_t pages = 0;
  TIFFReadStream(bitmap, stream, pages, &params, progress, preview);
}

bool TIFFTryStream(TStream& stream) {
  uint8_t b[2];
  return stream.Read(b, 2) == 2 && ((b[0] == 'I' && b[1] == 'I') || (b[0] == 'M' && b[1] == 'M'));
}

int32_t _EnumTIFFImStream(TStream& stream) {
  TTiffInput in(stream);
  return in.Valid() ? int32_t(in.PageOffsets().size()) : 0;
}

}  // namespace kx

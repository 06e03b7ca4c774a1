// TIFF writing: the picture as one strip, uncompressed, PackBits, fax-coded (bilevel pages)
// or through an installed LZW encoder, as a new file or as a further page of an existing one.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/fax/fax_encoder.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/tiff_codec.h"
#include "imaging/io/tiff_directory_out.h"
#include "imaging/io/tiff_ifd.h"
#include "imaging/io/tiff_packbits.h"
#include "imaging/proc/pixel_convert.h"

namespace kx {
namespace {

constexpr uint32_t kNone = 1, kHuffman = 2, kGroup3 = 3, kGroup4 = 4, kLzw = 5, kPackBits = 32773;
// Strip bytes are handed to the stream in pieces of about this size.
constexpr size_t kFlushBytes = size_t(1) << 20;

// What is written and how.
struct TWritePlan {
  uint32_t Compression = kNone;
  uint32_t Photometric = 2;
  bool Bilevel = false;
  bool Cmyk = false;
  bool Predictor = false;
  bool T4TwoD = false;
  // Bilevel rows are inverted before they are stored.
  bool Invert = false;
  TTIFFLZWCompFunc Lzw = nullptr;
};

TWritePlan Plan(const TIOParamsVals& params, bool bilevel, bool zeroIsDark) {
  TWritePlan p;
  p.Bilevel = bilevel;
  p.Cmyk = !bilevel && params.TIFF_Photometric == ioTIFF_CMYK;
  p.Photometric = bilevel ? 1 : p.Cmyk ? 5 : 2;
  const TTIFFLZWCompFunc lzw = params.TIFF_LZWCompress ? params.TIFF_LZWCompress : DefTIFF_LZWCOMPFUNC;
  switch (params.TIFF_Compression) {
    case ioTIFF_CCITT1D:
      p.Compression = kHuffman;
      break;
    case ioTIFF_G3FAX1D:
      p.Compression = kGroup3;
      break;
    case ioTIFF_G3FAX2D:
      p.Compression = kGroup3;
      p.T4TwoD = true;
      break;
    case ioTIFF_G4FAX:
      p.Compression = kGroup4;
      break;
    case ioTIFF_LZW:
      if (lzw) {
        p.Compression = kLzw;
        p.Lzw = lzw;
        p.Predictor = !bilevel && !p.Cmyk && params.BitsPerSample == 8 &&
                      (params.SamplesPerPixel == 1 || params.SamplesPerPixel == 3);
      }
      break;
    case ioTIFF_PACKBITS:
      p.Compression = kPackBits;
      break;
    default:
      break;
  }
  const bool fax = p.Compression == kHuffman || p.Compression == kGroup3 || p.Compression == kGroup4;
  if (fax && !bilevel) p.Compression = kNone, p.T4TwoD = false;
  // Fax pages are WhiteIsZero; other bilevel pages BlackIsZero, so 0 bits are always the
  // colour the page's photometric interpretation says.
  if (fax && bilevel) p.Photometric = 0;
  p.Invert = bilevel && (fax ? zeroIsDark : !zeroIsDark);
  return p;
}

// Writes the strip of `bitmap` at the stream's position; returns its byte count.
uint64_t WriteStrip(TStream& stream, const TBitmap& bitmap, const TWritePlan& plan, TProgressRec& progress) {
  const int32_t w = bitmap.Width(), h = bitmap.Height();
  const int64_t start = stream.Position();
  const size_t rowBytes = plan.Bilevel ? size_t(w + 7) / 8 : size_t(w) * (plan.Cmyk ? 4 : 3);
  std::vector<uint8_t> row(rowBytes), out;
  out.reserve(kFlushBytes + 2 * rowBytes);
  const bool fax = plan.Compression == kHuffman || plan.Compression == kGroup3 || plan.Compression == kGroup4;
  // The fax coder reads the picture's rows as they are, told which bit is white.
  TKXFaxEncoder coder(w, plan.Invert ? 1 : 0);
  intptr_t lzwContext = 0;
  progress.SetUnits(h);
  const uint8_t lastMask = uint8_t(0xFF << ((8 - w % 8) % 8));
  for (int32_t y = 0; y < h && !progress.Aborted(); ++y) {
    progress.val = y;
    progress.Report();
    const uint8_t* line = bitmap.ScanLine(y);
    if (fax) {
      switch (plan.Compression) {
        case kHuffman:
          coder.CCITTHuffmanPutLine(line);
          break;
        case kGroup3:
          if (plan.T4TwoD)
            coder.CCITTHuffmanPutLineG32D(line);
          else
            coder.CCITTHuffmanPutLineG3(line);
          break;
        default:
          coder.CCITTHuffmanPutLineG4(line);
          break;
      }
      if (const std::span<const uint8_t> coded = coder.Bytes(); coded.size() >= kFlushBytes) {
        stream.WriteBuffer(coded.data(), int64_t(coded.size()));
        coder.ClearBytes();
      }
      continue;
    }
    if (plan.Bilevel) {
      if (plan.Invert)
        for (size_t i = 0; i < rowBytes; ++i) row[i] = uint8_t(~line[i]);
      else
        std::memcpy(row.data(), line, rowBytes);
      row[rowBytes - 1] &= lastMask;
    } else {
      const TRGB* px = reinterpret_cast<const TRGB*>(line);
      uint8_t* o = row.data();
      if (plan.Cmyk) {
        for (int32_t x = 0; x < w; ++x, o += 4) {
          const uint32_t m = std::max({px[x].r, px[x].g, px[x].b, uint8_t(1)});
          o[0] = uint8_t(255 - px[x].r * 255 / m);
          o[1] = uint8_t(255 - px[x].g * 255 / m);
          o[2] = uint8_t(255 - px[x].b * 255 / m);
          o[3] = uint8_t(255 - std::max({px[x].r, px[x].g, px[x].b}));
        }
      } else if (plan.Predictor) {
        TRGB prev{};
        for (int32_t x = 0; x < w; ++x, o += 3) {
          o[0] = uint8_t(px[x].r - prev.r);
          o[1] = uint8_t(px[x].g - prev.g);
          o[2] = uint8_t(px[x].b - prev.b);
          prev = px[x];
        }
      } else {
        _CopyBGR_RGB(reinterpret_cast<TRGB*>(o), px, w);
      }
    }
    switch (plan.Compression) {
      case kLzw:
        plan.Lzw(row.data(), int32_t(rowBytes), stream, lzwContext);
        break;
      case kPackBits:
        PackBitsEncodeRow(row.data(), int32_t(rowBytes), out);
        break;
      default:
        out.insert(out.end(), row.begin(), row.end());
        break;
    }
    if (out.size() >= kFlushBytes) {
      stream.WriteBuffer(out.data(), int64_t(out.size()));
      out.clear();
    }
  }
  if (plan.Compression == kGroup3) plan.T4TwoD ? coder.FinishG32D() : coder.FinishG3();
  if (plan.Compression == kGroup4) coder.FinishG4();
  if (plan.Compression == kLzw) plan.Lzw(nullptr, 0, stream, lzwContext);
  stream.WriteBuffer(out.data(), int64_t(out.size()));
  const std::span<const uint8_t> coded = coder.Bytes();
  stream.WriteBuffer(coded.data(), int64_t(coded.size()));
  return uint64_t(stream.Position() - start);
}

// Where the new page goes in an existing file: the pointer to patch and its old value.
struct TInsertPoint {
  uint64_t Pointer = 4;
  uint32_t OldValue = 0;
  int32_t Pages = 0;
  // The last page's next pointer when it leads nowhere readable (out of the file, into a
  // cycle, to a cut directory): it is cleared, as what it points to may be the new page's
  // bytes once they are there.
  uint64_t BrokenEnd = 0;
};

bool FindInsertPoint(TStream& stream, int32_t index, TInsertPoint& at) {
  TTiffInput in(stream);
  if (!in.Valid() || in.BigEndian()) return false;
  const std::vector<uint32_t> pages = in.PageOffsets();
  at.Pages = int32_t(pages.size());
  const size_t before = index < 0 ? 0 : std::min(size_t(index), pages.size());
  if (!pages.empty()) {
    TTiffIfd last;
    if (!in.ReadIfd(pages.back(), last)) return false;
    if (last.Next != 0) at.BrokenEnd = uint64_t(last.Offset) + 2 + 12 * uint64_t(last.Entries.size());
  }
  if (before == 0) {
    at.Pointer = 4;
    at.OldValue = pages.empty() ? 0 : pages[0];
    return true;
  }
  TTiffIfd ifd;
  if (!in.ReadIfd(pages[before - 1], ifd)) return false;
  at.Pointer = uint64_t(ifd.Offset) + 2 + 12 * uint64_t(ifd.Entries.size());
  // The last page's own pointer may lead into a cycle or out of the file: the new page ends
  // the chain then.
  at.OldValue = before < pages.size() ? pages[before] : 0;
  return true;
}

}  // namespace

int32_t TIFFWriteStream(TStream& stream, bool append, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  const int64_t start = stream.Position();
  TInsertPoint insert;
  if (append) {
    if (!FindInsertPoint(stream, params.TIFF_ImageIndex, insert)) {
      progress.Abort("only little-endian TIFF files can take further pages");
      return 0;
    }
  }
  // The working picture.
  const bool bilevel = params.BitsPerSample == 1 && params.SamplesPerPixel == 1;
  std::unique_ptr<TBitmap> work;
  bool zeroIsDark = true;
  const TBitmap* picture = &bitmap;
  if (bilevel) {
    TRGB c0, c1;
    work = _OneBitForWriter(bitmap, c0, c1, progress);
    if (!work) {
      progress.Abort("the picture cannot be made bilevel");
      return 0;
    }
    zeroIsDark = _RGBToGray(c0) <= _RGBToGray(c1);
    picture = work.get();
  } else if (bitmap.PixelFormat() != pf24bit) {
    work = std::make_unique<TBitmap>(bitmap);
    work->SetPixelFormat(pf24bit);
    picture = work.get();
  }
  const TWritePlan plan = Plan(params, bilevel, zeroIsDark);

  std::vector<uint8_t> header = {'I', 'I', 42, 0, 0, 0, 0, 0};
  // An append that gives up leaves the stream as long as it was.
  const int64_t oldSize = append ? stream.Size() : 0;
  auto giveUp = [&](const char* reason) {
    if (reason) progress.Abort(reason);
    if (append) stream.SetSize(oldSize);
    return 0;
  };
  if (append)
    stream.Seek(0, soEnd);
  else
    stream.WriteBuffer(header.data(), 8);
  if ((stream.Position() - start) & 1) stream.WriteBuffer(header.data() + 4, 1);
  const uint64_t stripOffset = uint64_t(stream.Position() - start);
  const uint64_t stripBytes = WriteStrip(stream, *picture, plan, progress);
  if (progress.Aborted()) return giveUp(nullptr);
  if (stripOffset + stripBytes > UINT32_MAX) return giveUp("the picture is too large for a TIFF file");

  TTiffDirectoryOut dir(false);
  dir.Long(ttImageWidth, uint32_t(picture->Width()));
  dir.Long(ttImageLength, uint32_t(picture->Height()));
  if (plan.Bilevel)
    dir.Short(ttBitsPerSample, 1);
  else
    dir.Shorts(ttBitsPerSample, std::vector<uint32_t>(plan.Cmyk ? 4 : 3, 8));
  dir.Short(ttCompression, plan.Compression);
  dir.Short(ttPhotometric, plan.Photometric);
  if (!params.TIFF_DocumentName.empty()) dir.Ascii(ttDocumentName, params.TIFF_DocumentName);
  if (!params.TIFF_ImageDescription.empty()) dir.Ascii(ttImageDescription, params.TIFF_ImageDescription);
  dir.Long(ttStripOffsets, uint32_t(stripOffset));
  dir.Short(ttSamplesPerPixel, plan.Bilevel ? 1 : plan.Cmyk ? 4 : 3);
  dir.Long(ttRowsPerStrip, uint32_t(picture->Height()));
  dir.Long(ttStripByteCounts, uint32_t(stripBytes));
  if (plan.Predictor) dir.Short(ttPredictor, 2);
  dir.Rational(ttXResolution, uint32_t(std::max(params.DpiX, 0)), 1);
  dir.Rational(ttYResolution, uint32_t(std::max(params.DpiY, 0)), 1);
  if (!params.TIFF_PageName.empty()) dir.Ascii(ttPageName, params.TIFF_PageName);
  dir.Rational(ttXPosition, uint32_t(std::max(params.TIFF_HorizPosition, 0)) * 10000u, 10000);
  dir.Rational(ttYPosition, uint32_t(std::max(params.TIFF_VertPosition, 0)) * 10000u, 10000);
  if (plan.Compression == kGroup3) dir.Long(ttT4Options, plan.T4TwoD ? 1 : 0);
  dir.Short(ttResolutionUnit, 2);
  if (params.TIFF_PageNumber != 0 || params.TIFF_PageCount != 0)
    dir.Shorts(ttPageNumber, {uint32_t(params.TIFF_PageNumber) & 0xFFFF, uint32_t(params.TIFF_PageCount) & 0xFFFF});

  std::vector<uint8_t> tail;
  uint32_t ifdOffset = 0;
  uint64_t nextField = 0;
  const uint64_t base = uint64_t(stream.Position() - start);
  if (!dir.Write(tail, base, append ? insert.OldValue : 0, ifdOffset, nextField))
    return giveUp("the picture is too large for a TIFF file");
  stream.WriteBuffer(tail.data(), int64_t(tail.size()));
  const int64_t end = stream.Position();
  if (!append) {
    uint8_t pointer[4];
    dir.Set32(pointer, ifdOffset);
    stream.SetPosition(start + 4);
    stream.WriteBuffer(pointer, 4);
    stream.SetPosition(end);
    return 1;
  }
  // The pointers are patched in place; a damaged file whose structures overlap them is put
  // back as it was when the chain does not come out one page longer.
  std::vector<std::pair<int64_t, std::array<uint8_t, 4>>> patches;
  auto patch = [&](uint64_t at, uint32_t value) {
    std::array<uint8_t, 4> old{}, now{};
    stream.SetPosition(start + int64_t(at));
    stream.ReadBuffer(old.data(), 4);
    patches.push_back({start + int64_t(at), old});
    dir.Set32(now.data(), value);
    stream.SetPosition(start + int64_t(at));
    stream.WriteBuffer(now.data(), 4);
  };
  if (insert.BrokenEnd != 0 && insert.BrokenEnd != insert.Pointer) patch(insert.BrokenEnd, 0);
  patch(insert.Pointer, ifdOffset);
  stream.SetPosition(start);
  if (_EnumTIFFImStream(stream) != insert.Pages + 1) {
    for (auto it = patches.rbegin(); it != patches.rend(); ++it) {
      stream.SetPosition(it->first);
      stream.WriteBuffer(it->second.data(), 4);
    }
    return giveUp("the TIFF file's directories overlap");
  }
  stream.SetPosition(end);
  return insert.Pages + 1;
}

void TIFFWriteImage(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  TIFFWriteStream(stream, false, bitmap, params, progress);
}

}  // namespace kx

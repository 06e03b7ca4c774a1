// What the GIF tests share: reading and writing through the codec with the LZW coders
// installed, and GIF files built block by block.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/stream.h"
#include "imaging/io/gif_blocks.h"
#include "imaging/io/gif_codec.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/lzw/lzw_coders.h"

namespace kxtest {

// Installs the LZW coders as the programs do, for one scope, and puts back the defaults that
// were there when it ends: records made meanwhile copy the coders, and tests of the empty
// defaults still find them empty.
class TLZWCodersScope {
 public:
  TLZWCodersScope()
      : fGifDecoder(kx::DefGIF_LZWDECOMPFUNC),
        fGifEncoder(kx::DefGIF_LZWCOMPFUNC),
        fTiffDecoder(kx::DefTIFF_LZWDECOMPFUNC),
        fTiffEncoder(kx::DefTIFF_LZWCOMPFUNC) {
    kx::KXInstallLZWCoders();
  }
  ~TLZWCodersScope() {
    kx::DefGIF_LZWDECOMPFUNC = fGifDecoder;
    kx::DefGIF_LZWCOMPFUNC = fGifEncoder;
    kx::DefTIFF_LZWDECOMPFUNC = fTiffDecoder;
    kx::DefTIFF_LZWCOMPFUNC = fTiffEncoder;
  }
  TLZWCodersScope(const TLZWCodersScope&) = delete;
  TLZWCodersScope& operator=(const TLZWCodersScope&) = delete;

 private:
  kx::TGIFLZWDecompFunc fGifDecoder;
  kx::TGIFLZWCompFunc fGifEncoder;
  kx::TTIFFLZWDecompFunc fTiffDecoder;
  kx::TTIFFLZWCompFunc fTiffEncoder;
};

// The fixture of the tests that read and write GIFs.
class TWithLZWCoders : public testing::Test {
 private:
  TLZWCodersScope fCoders;
};

struct TGifRead {
  kx::TBitmap Bitmap;
  kx::TIOParamsVals Params;
  int32_t Count = -1;
  bool Aborted = false;
  kx::TKXDiagnostics Diagnostics;
};

inline TGifRead ReadGifBytes(const std::vector<uint8_t>& bytes, int32_t index = 0, bool paramsOnly = false) {
  TGifRead r;
  r.Params.GIF_ImageIndex = index;
  kx::TMemoryStream stream(bytes);
  kx::TProgressRec progress = kx::NullProgress();
  progress.Aborting = &r.Aborted;
  progress.Diagnostics = &r.Diagnostics;
  kx::ReadGifStream(stream, r.Bitmap, r.Count, r.Params, progress, paramsOnly);
  return r;
}

inline std::vector<uint8_t> WriteGifBytes(kx::TBitmap& bitmap, kx::TIOParamsVals& params, bool* aborted = nullptr) {
  kx::TMemoryStream stream;
  bool flag = false;
  kx::TProgressRec progress = kx::NullProgress();
  progress.Aborting = &flag;
  kx::WriteGifStream(stream, bitmap, params, progress);
  if (aborted) *aborted = flag;
  return stream.Bytes();
}

// One image of a hand-built file: its indices, with a control extension in front when
// `control` is set.
struct TGifImage {
  int32_t Width = 1, Height = 1;
  std::vector<uint8_t> Indices{0};
  std::vector<kx::TRGB> LocalTable;
  bool Interlaced = false;
  bool Control = false;
  uint8_t ControlPacked = 0;
  uint16_t Delay = 0;
  uint8_t TransparentIndex = 0;
  int CodeBits = 0;  // the encoder's bit count; 0: the table's
};

inline int TableBits(size_t entries) {
  int bits = 1;
  while ((size_t(1) << bits) < entries) ++bits;
  return bits;
}

// A file of the given screen, global table (none when empty) and images.
inline std::vector<uint8_t> BuildGif(uint16_t screenWidth, uint16_t screenHeight, const std::vector<kx::TRGB>& global,
                                     const std::vector<TGifImage>& images, uint8_t background = 0) {
  kx::TKXByteWriter w;
  w.Bytes("GIF89a", 6);
  w.U16LE(screenWidth);
  w.U16LE(screenHeight);
  const int gbits = global.empty() ? 1 : TableBits(global.size());
  w.U8(uint8_t(global.empty() ? 0 : 0x80 | (gbits - 1) << 4 | (gbits - 1)));
  w.U8(background);
  w.U8(0);
  std::vector<kx::TRGB> table = global;
  table.resize(global.empty() ? 0 : size_t(1) << gbits);
  kx::GifPutTable(w, table);
  for (const TGifImage& im : images) {
    if (im.Control) {
      w.U8(0x21);
      w.U8(0xF9);
      w.U8(4);
      w.U8(im.ControlPacked);
      w.U16LE(im.Delay);
      w.U8(im.TransparentIndex);
      w.U8(0);
    }
    w.U8(0x2C);
    w.U16LE(0);
    w.U16LE(0);
    w.U16LE(uint16_t(im.Width));
    w.U16LE(uint16_t(im.Height));
    const int lbits = im.LocalTable.empty() ? 0 : TableBits(im.LocalTable.size());
    w.U8(uint8_t((im.LocalTable.empty() ? 0 : 0x80 | (lbits - 1)) | (im.Interlaced ? 0x40 : 0)));
    std::vector<kx::TRGB> local = im.LocalTable;
    local.resize(lbits ? size_t(1) << lbits : 0);
    kx::GifPutTable(w, local);
    kx::TMemoryStream data;
    const int bits = im.CodeBits ? im.CodeBits : lbits ? lbits : gbits;
    kx::KXGifLZWEncode(data, im.Height, im.Width, im.Interlaced, im.Indices.data(), bits);
    w.Bytes(data.Bytes().data(), data.Bytes().size());
  }
  w.U8(0x3B);
  return w.Result();
}

}  // namespace kxtest

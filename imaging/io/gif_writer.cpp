// GIF writing: one image with a global table, behind the header, the screen descriptor and a
// graphic control extension; the pixel data goes through the encoder hook.
#include <algorithm>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/file_replace.h"
#include "imaging/core/stream.h"
#include "imaging/io/gif_blocks.h"
#include "imaging/io/gif_codec.h"
#include "imaging/io/gif_frame.h"
#include "imaging/io/ioparams.h"

namespace kx {

void WriteGifStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  progress.Report(0);
  if (progress.Aborted()) return;
  TGifFrame frame;
  if (!GifBuildFrame(bitmap, params, false, frame, progress)) return;
  progress.Report(30);
  if (progress.Aborted()) return;
  TKXByteWriter head(kGifHeaderSize + 3 * 256 + 32);
  // The graphic control extension that every file gets needs version 89a.
  head.Bytes("GIF89a", 6);
  // The screen covers the image where its offsets place it.
  head.U16LE(uint16_t(std::min<int64_t>(int64_t(frame.Width) + std::max(params.GIF_HorizPosition, 0), 0xFFFF)));
  head.U16LE(uint16_t(std::min<int64_t>(int64_t(frame.Height) + std::max(params.GIF_VertPosition, 0), 0xFFFF)));
  const uint8_t b = uint8_t(frame.Bits - 1);
  head.U8(uint8_t(0x80 | b << 4 | b));
  head.U8(frame.BackgroundIndex);
  head.U8(0);
  GifPutTable(head, frame.Table);
  GifPutFrameHead(head, frame, params, false);
  stream.WriteBuffer(head.Result().data(), int64_t(head.Size()));
  progress.Report(70);
  if (progress.Aborted()) return;
  const TGIFLZWCompFunc encode = params.GIF_LZWCompress;
  if (!encode) return progress.Abort("no GIF encoder is installed");
  encode(stream, frame.Height, frame.Width, params.GIF_Interlaced, frame.Indices.data(), frame.Bits);
  const uint8_t trailer = kGifTrailer;
  stream.WriteBuffer(&trailer, 1);
  progress.Report(100);
}

void WriteGif(const std::string& fileName, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  KXReplaceFile(fileName, [&](TStream& stream) {
    WriteGifStream(stream, bitmap, params, progress);
    return !progress.Aborted();
  });
}

}  // namespace kx

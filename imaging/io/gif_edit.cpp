// Editing multi-image GIF files: inserting and deleting images, counting them, and the looping
// extension. Every edit gathers the new file in memory from a walk over the old one's blocks and
// replaces the old file only when the walk went through, so a failure never leaves it damaged.
#include <algorithm>
#include <span>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/byte_reader.h"
#include "imaging/core/byte_writer.h"
#include "imaging/core/file_replace.h"
#include "imaging/core/stream.h"
#include "imaging/io/gif_blocks.h"
#include "imaging/io/gif_codec.h"
#include "imaging/io/gif_frame.h"
#include "imaging/io/ioparams.h"

namespace kx {
namespace {

using TBytes = std::vector<uint8_t>;

// The rest of the stream from its position, or nothing when it cannot be held.
bool ReadRest(TStream& stream, TBytes& bytes) {
  TKXByteReader reader(stream);
  const int64_t n = reader.Remaining();
  if (!reader.CountFits(n, 1)) return false;
  bytes.resize(size_t(n));
  return reader.Bytes(bytes.data(), n);
}

TBytes ReadWholeFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead);
  TBytes bytes;
  if (!ReadRest(file, bytes)) bytes.clear();
  return bytes;
}

// Where the blocks start: after the header, the screen descriptor and the global table. 0 when
// the bytes are no GIF.
size_t BlocksStart(std::span<const uint8_t> bytes) {
  TKXByteReader reader(bytes);
  TGifScreen screen;
  if (!GifReadScreen(reader, screen)) return 0;
  return size_t(reader.Consumed());
}

// The new file's beginning: the old header as version 89a, the screen descriptor and the
// global table.
void PutHead(TKXByteWriter& out, std::span<const uint8_t> bytes, size_t blocksStart) {
  out.Bytes("GIF89a", 6);
  out.Bytes(bytes.data() + 6, blocksStart - 6);
}

void Append(TKXByteWriter& out, std::span<const uint8_t> bytes, const TGifBlock& block) {
  out.Bytes(bytes.data() + block.Begin, block.End - block.Begin);
}

bool Replace(const std::string& fileName, const std::vector<uint8_t>& bytes) {
  return KXReplaceFile(fileName, [&](TStream& stream) {
    stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    return true;
  });
}

// The insertion over bytes in memory; false (aborting) when nothing may be written.
bool Insert(std::span<const uint8_t> bytes, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress,
            TBytes& result, int32_t& count) {
  const size_t start = BlocksStart(bytes);
  if (start == 0) {
    progress.Abort("not a GIF file, or its header is cut short");
    return false;
  }
  TGifFrame frame;
  if (!GifBuildFrame(bitmap, params, true, frame, progress)) return false;
  progress.Report(30);
  if (progress.Aborted()) return false;
  const TGIFLZWCompFunc encode = params.GIF_LZWCompress;
  if (!encode) {
    progress.Abort("no GIF encoder is installed");
    return false;
  }
  TKXByteWriter head;
  GifPutFrameHead(head, frame, params, true);
  TMemoryStream image(head.Result());
  image.Seek(0, soEnd);
  encode(image, frame.Height, frame.Width, params.GIF_Interlaced, frame.Indices.data(), frame.Bits);

  TKXByteWriter out(bytes.size() + size_t(image.Size()) + 1);
  PutHead(out, bytes, start);
  int32_t position = params.GIF_ImageIndex;
  int32_t k = 0;
  auto put = [&] {
    out.Bytes(image.Memory(), size_t(image.Size()));
    position = -1;
    ++k;
  };
  for (size_t at = start;;) {
    const TGifBlock block = GifBlockAt(bytes, at);
    at = block.End;
    if (block.Kind == gbTrailer) {
      if (k == position) put();
      out.U8(kGifTrailer);
      break;
    }
    if (block.Kind == gbExtension) {
      // The new image goes before the control extension of the image it displaces.
      if (block.Label == kGifControlLabel && k == position) put();
      Append(out, bytes, block);
    } else if (block.Kind == gbImage) {
      if (!block.Complete) {
        progress.Abort("the file is cut short inside an image");
        return false;
      }
      if (k == position) put();
      Append(out, bytes, block);
      ++k;
      if (k == position) {
        progress.Report(70);
        if (progress.Aborted()) return false;
        put();
      }
    }
  }
  result = out.Result();
  count = k;
  return true;
}

}  // namespace

int32_t _InsertGifImStream(TStream& stream, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  progress.Report(0);
  if (progress.Aborted()) return 0;
  const int64_t start = stream.Position();
  TBytes bytes;
  if (!ReadRest(stream, bytes)) {
    stream.SetPosition(start);
    progress.Abort("the file cannot be held in memory");
    return 0;
  }
  TBytes result;
  int32_t count = 0;
  const bool done = Insert(bytes, bitmap, params, progress, result, count);
  stream.SetPosition(start);
  if (!done) return 0;
  stream.WriteBuffer(result.data(), int64_t(result.size()));
  stream.SetSize(start + int64_t(result.size()));
  progress.Report(100);
  return count;
}

int32_t _InsertGifIm(const std::string& fileName, TBitmap& bitmap, TIOParamsVals& params, TProgressRec& progress) {
  progress.Report(0);
  if (progress.Aborted()) return 0;
  const TBytes bytes = ReadWholeFile(fileName);
  TBytes result;
  int32_t count = 0;
  if (!Insert(bytes, bitmap, params, progress, result, count)) return 0;
  if (!Replace(fileName, result)) return 0;
  progress.Report(100);
  return count;
}

int32_t _DeleteGifIm(const std::string& fileName, int32_t index, bool save) {
  const TBytes bytes = ReadWholeFile(fileName);
  const size_t start = BlocksStart(bytes);
  if (start == 0) return 0;
  TKXByteWriter out(bytes.size());
  PutHead(out, bytes, start);
  int32_t walked = 0, copied = 0;
  bool whole = true;
  for (size_t at = start;;) {
    const TGifBlock block = GifBlockAt(bytes, at);
    at = block.End;
    if (block.Kind == gbTrailer) break;
    if (block.Kind == gbExtension) {
      if (!(block.Label == kGifControlLabel && walked == index)) Append(out, bytes, block);
      whole = whole && block.Complete;
    } else if (block.Kind == gbImage) {
      if (!block.Complete) {
        whole = false;
        break;
      }
      if (walked != index) {
        Append(out, bytes, block);
        ++copied;
      }
      ++walked;
    }
  }
  out.U8(kGifTrailer);
  // A damaged file is counted but never rewritten from the part that could be read.
  if (save && whole) Replace(fileName, out.Result());
  return copied;
}

bool _CheckGifAnimate(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead);
  TKXByteReader reader(file);
  TGifScreen screen;
  if (!GifReadScreen(reader, screen)) return false;
  uint8_t next[14];
  return reader.Bytes(next, sizeof next) && GifIsLooping(next, 0);
}

void _GifMakeAnimate(const std::string& fileName, uint16_t loopCount, int32_t screenWidth, int32_t screenHeight) {
  const TBytes bytes = ReadWholeFile(fileName);
  size_t at = BlocksStart(bytes);
  if (at == 0) return;
  TKXByteWriter out(bytes.size() + kGifLoopingSize);
  out.Bytes("GIF89a", 6);
  out.U16LE(uint16_t(screenWidth));
  out.U16LE(uint16_t(screenHeight));
  out.Bytes(bytes.data() + 10, at - 10);
  // A file that loops already gets its count replaced, not a second extension.
  if (GifIsLooping(bytes, at)) at = GifBlockAt(bytes, at).End;
  GifPutLooping(out, loopCount);
  out.Bytes(bytes.data() + at, bytes.size() - at);
  Replace(fileName, out.Result());
}

}  // namespace kx

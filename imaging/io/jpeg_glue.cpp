// The libjpeg error manager and the TStream source and destination managers.
#include "imaging/io/jpeg_glue.h"

#include <jerror.h>

#include "imaging/core/stream.h"

namespace kx {
namespace {

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* mgr = reinterpret_cast<TJpegErrorMgr*>(cinfo->err);
  if (mgr->abort) *mgr->abort = true;
  mgr->pub.format_message(cinfo, mgr->message);
  longjmp(mgr->jump, 1);
}

// Level -1 is a warning about the data; higher levels are trace output, never shown. Nothing
// is printed: the warning's text goes to the caller's diagnostics.
void EmitMessage(j_common_ptr cinfo, int level) {
  auto* mgr = reinterpret_cast<TJpegErrorMgr*>(cinfo->err);
  if (level != -1) return;
  ++mgr->pub.num_warnings;
  if (!mgr->warnings || mgr->pub.msg_code == mgr->lastWarning) return;
  mgr->lastWarning = mgr->pub.msg_code;
  char text[JMSG_LENGTH_MAX];
  mgr->pub.format_message(cinfo, text);
  try {
    mgr->warnings->Warn(text);
  } catch (...) {
    // Out of memory for a warning's text: the warning is lost, the read goes on.
  }
}
void OutputMessage(j_common_ptr) {}

void ResetErrorMgr(j_common_ptr cinfo) {
  cinfo->err->msg_code = 0;
  cinfo->err->num_warnings = 0;
}

// A TStream call that throws, made from inside a libjpeg callback. The exception must not
// unwind through libjpeg's frames, so it is caught here and becomes a libjpeg error after the
// handler is left (jumping out of a handler would skip the exception's clean-up).
template <typename Call>
int64_t GuardedStreamCall(Call call, bool& failed) {
  try {
    return call();
  } catch (...) {
    failed = true;
    return 0;
  }
}

void InitSource(j_decompress_ptr cinfo) { reinterpret_cast<TJpegStreamSource*>(cinfo->src)->startOfFile = true; }

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<TJpegStreamSource*>(cinfo->src);
  if (src->failAtNextFill) ERREXIT(cinfo, JERR_FILE_READ);
  bool failed = false;
  src->refillStart = GuardedStreamCall([src] { return src->stream->Position(); }, failed);
  src->blocks = 0;
  size_t have = 0;
  // Whole blocks only; a short one (the end of the data) ends the refill as it would end a
  // block-by-block read.
  while (!failed && src->blocks < kJpegBlocksAhead) {
    const int64_t n =
        GuardedStreamCall([src, have] { return src->stream->Read(src->buffer + have, kJpegBufferSize); }, failed);
    if (failed || n <= 0) break;
    have += size_t(n);
    src->blockEnds[src->blocks++] = have;
    if (size_t(n) < kJpegBufferSize) break;
  }
  if (failed) {
    if (have == 0) ERREXIT(cinfo, JERR_FILE_READ);
    src->failAtNextFill = true;
  }
  src->endMarkerOnly = have == 0;
  if (have == 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    have = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = have;
  src->startOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long numBytes) {
  if (numBytes <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  size_t remaining = size_t(numBytes);
  while (remaining > src->bytes_in_buffer) {
    remaining -= src->bytes_in_buffer;
    src->fill_input_buffer(cinfo);
  }
  src->next_input_byte += remaining;
  src->bytes_in_buffer -= remaining;
}

void TermSource(j_decompress_ptr) {}

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<TJpegStreamDest*>(cinfo->dest);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kJpegBufferSize;
}

void WriteBlock(j_compress_ptr cinfo, size_t count) {
  auto* dest = reinterpret_cast<TJpegStreamDest*>(cinfo->dest);
  bool failed = false;
  int64_t n = GuardedStreamCall([dest, count] { return dest->stream->Write(dest->buffer, int64_t(count)); }, failed);
  if (failed || n != int64_t(count)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  WriteBlock(cinfo, kJpegBufferSize);
  InitDestination(cinfo);
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  size_t count = kJpegBufferSize - cinfo->dest->free_in_buffer;
  if (count > 0) WriteBlock(cinfo, count);
}

}  // namespace

J_DCT_METHOD JpegDctMethod(TIOJPEGDctMethod method) {
  switch (method) {
    case ioJPEG_IFAST:
      return JDCT_IFAST;
    case ioJPEG_FLOAT:
      return JDCT_FLOAT;
    default:
      return JDCT_ISLOW;
  }
}

jpeg_error_mgr* JpegInitErrorMgr(TJpegErrorMgr& mgr, bool* abort) {
  jpeg_std_error(&mgr.pub);
  mgr.pub.error_exit = ErrorExit;
  mgr.pub.emit_message = EmitMessage;
  mgr.pub.output_message = OutputMessage;
  mgr.pub.reset_error_mgr = ResetErrorMgr;
  mgr.abort = abort;
  mgr.warnings = nullptr;
  mgr.lastWarning = -1;
  mgr.message[0] = '\0';
  return &mgr.pub;
}

void JpegStreamSourceDone(TJpegStreamSource& src) {
  if (src.blocks == 0 || src.endMarkerOnly) return;  // nothing read, or everything
  // Block by block, a read happens when libjpeg asks for bytes: so every block of the refill
  // that starts before the first unused byte has been read, and at least the first.
  const size_t used = src.blockEnds[src.blocks - 1] - src.pub.bytes_in_buffer;
  int read = 1;
  while (read < src.blocks && src.blockEnds[read - 1] < used) ++read;
  try {
    src.stream->SetPosition(src.refillStart + int64_t(src.blockEnds[read - 1]));
  } catch (...) {
    // A stream that cannot seek stays where the refill left it.
  }
}

void JpegStreamSource(j_decompress_ptr cinfo, TJpegStreamSource& src, TStream& stream) {
  src.pub.init_source = InitSource;
  src.pub.fill_input_buffer = FillInputBuffer;
  src.pub.skip_input_data = SkipInputData;
  src.pub.resync_to_restart = jpeg_resync_to_restart;
  src.pub.term_source = TermSource;
  src.pub.next_input_byte = nullptr;
  src.pub.bytes_in_buffer = 0;
  src.stream = &stream;
  src.startOfFile = true;
  src.failAtNextFill = false;
  src.endMarkerOnly = false;
  src.blocks = 0;
  src.buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_large)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT,
                                                               kJpegBufferSize * kJpegBlocksAhead));
  cinfo->src = &src.pub;
}

void JpegStreamDest(j_compress_ptr cinfo, TJpegStreamDest& dest, TStream& stream) {
  dest.pub.init_destination = InitDestination;
  dest.pub.empty_output_buffer = EmptyOutputBuffer;
  dest.pub.term_destination = TermDestination;
  dest.stream = &stream;
  cinfo->dest = &dest.pub;
}

}  // namespace kx

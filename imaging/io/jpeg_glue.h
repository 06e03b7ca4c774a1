// The pieces that tie libjpeg to the library: a non-returning error manager, and a TStream
// source and destination. Private to the JPEG codec.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared before it.
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "imaging/core/progress.h"
#include "imaging/io/ioparams.h"

namespace kx {

class TStream;

constexpr size_t kJpegBufferSize = 4096;

// The DCT method used both for reading and writing; an unknown value means the slow integer one.
J_DCT_METHOD JpegDctMethod(TIOJPEGDctMethod method);

// libjpeg may only be left through `jump` after a fatal error. The frame that calls setjmp on
// it must hold no C++ objects with destructors, since longjmp skips them. The error routine
// sets *abort (when not null) and keeps libjpeg's own text in `message` before it jumps, so
// clearing `abort` silences errors. Warnings about the data (a truncated or corrupt file) go
// to `warnings` when it is set, each kind once.
struct TJpegErrorMgr {
  jpeg_error_mgr pub;
  jmp_buf jump;
  bool* abort;
  const TProgressRec* warnings;
  int lastWarning;  // the message code warned last, so a damaged file does not warn per block
  char message[JMSG_LENGTH_MAX];
};
// Installs the error manager on a compressor or decompressor (through its `err` field).
jpeg_error_mgr* JpegInitErrorMgr(TJpegErrorMgr& mgr, bool* abort);

// Blocks of kJpegBufferSize gathered per refill: libjpeg's Huffman decoder takes its fast path
// only while 3 KiB and more are buffered, which one block at a time leaves for a quarter of the
// data.
constexpr int kJpegBlocksAhead = 16;

// Reads the stream in 4096-byte blocks; the end of the data becomes an end-of-image marker and
// a warning, so a truncated file still loads. A stream that throws turns into a read error.
// Several blocks are handed to libjpeg at once, but it sees the same bytes, the same end and
// the same failure at the same place as with one block at a time, and JpegStreamSourceDone
// leaves the stream where block-by-block reading would have left it.
struct TJpegStreamSource {
  jpeg_source_mgr pub;
  TStream* stream;
  bool startOfFile;
  bool failAtNextFill;                 // a block read failed after others of the same refill
  bool endMarkerOnly;                  // the buffer holds the made-up end-of-image marker
  JOCTET* buffer;                      // kJpegBlocksAhead blocks, from libjpeg's permanent pool
  int64_t refillStart;                 // stream position before the current refill
  int blocks;                          // block reads in the current refill
  size_t blockEnds[kJpegBlocksAhead];  // where each ends in the buffer
};
void JpegStreamSource(j_decompress_ptr cinfo, TJpegStreamSource& src, TStream& stream);
// Puts the stream after the blocks libjpeg has started to use. Never throws.
void JpegStreamSourceDone(TJpegStreamSource& src);

// Writes the stream in 4096-byte blocks; a short write or a stream that throws is a write error.
struct TJpegStreamDest {
  jpeg_destination_mgr pub;
  TStream* stream;
  JOCTET buffer[kJpegBufferSize];
};
void JpegStreamDest(j_compress_ptr cinfo, TJpegStreamDest& dest, TStream& stream);

}  // namespace kx

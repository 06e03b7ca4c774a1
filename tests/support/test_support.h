// Shared helpers of the test programs: scratch folders, running other programs, test
// pictures, and reading the Netpbm files that oracles write.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"

namespace kxtest {

// A scratch folder for this test program, removed when the program ends.
const std::string& TempDir();
// A fresh path inside TempDir() ending in `suffix`.
std::string TempPath(const std::string& suffix);
// The repository's root and the built kestrix tool.
std::string SourceDir();
std::string ToolPath();

// Runs a shell command; returns its exit status (-1 when it could not run). Standard output
// goes to `output` when given.
int Run(const std::string& command, std::string* output = nullptr);
// Quotes a string for the shell.
std::string Quote(const std::string& s);
// True when the program exists and is executable (oracles are absolute paths).
bool Have(const std::string& path);

std::vector<uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

// A photo-like 24-bit picture: smooth gradients, edges and a little deterministic noise.
kx::TBitmap MakePicture(int32_t width, int32_t height, uint32_t seed = 1);
// A 24-bit picture of one colour.
kx::TBitmap Filled(int32_t width, int32_t height, kx::TRGB color);
// A picture of one gray level in the given format (1-bit: the canvas's nearest level).
kx::TBitmap Uniform(int32_t width, int32_t height, uint8_t level, kx::TPixelFormat format = kx::pf24bit);
// Pixel (x, y) has red x, green y and blue 7 (coordinates modulo 256).
kx::TBitmap CoordinatePicture(int32_t width, int32_t height);
// Same size, format and pixel bytes (row padding ignored).
bool SameBitmap(const kx::TBitmap& a, const kx::TBitmap& b);
// A copy as 24-bit pixels, for comparing pictures of other depths with an oracle's decoding.
kx::TBitmap As24(const kx::TBitmap& b);

// The percentages a progress handler received.
struct TProgressLog {
  std::vector<int> values;
  void Handler(void*, int per) { values.push_back(per); }
};

// Sets the process-wide pixel limit for one scope and restores the previous one on leaving it,
// also when an assertion ends the test early.
class TPixelLimitScope {
 public:
  explicit TPixelLimitScope(int64_t limit) : fSaved(kx::KXPixelLimit()) { kx::KXSetPixelLimit(limit); }
  ~TPixelLimitScope() { kx::KXSetPixelLimit(fSaved); }
  TPixelLimitScope(const TPixelLimitScope&) = delete;
  TPixelLimitScope& operator=(const TPixelLimitScope&) = delete;

 private:
  int64_t fSaved;
};
// Lets files grow to at most `bytes` bytes for one scope: a write beyond fails as on a full
// disk, for root too (SIGXFSZ is ignored meanwhile).
class TFileSizeLimitScope {
 public:
  explicit TFileSizeLimitScope(uint64_t bytes);
  ~TFileSizeLimitScope();
  TFileSizeLimitScope(const TFileSizeLimitScope&) = delete;
  TFileSizeLimitScope& operator=(const TFileSizeLimitScope&) = delete;

 private:
  uint64_t fSavedCurrent;
  void (*fSavedHandler)(int);
};

// Runs `body` and returns the message of the exception of type E it throws (a failure when it
// throws none).
template <typename E, typename F>
std::string MessageOf(F body) {
  try {
    body();
  } catch (const E& e) {
    return e.what();
  }
  ADD_FAILURE() << "no exception";
  return {};
}

// Reads a binary PPM (P6) or PGM (P5) with maxval 255 into a 24-bit bitmap; false on failure.
bool ReadNetpbm(const std::string& path, kx::TBitmap& out);
// Writes a 24-bit bitmap as P6.
void WritePPM(const std::string& path, const kx::TBitmap& bitmap);
// Number of pixels whose bytes differ, and the largest difference of one channel.
struct TDiff {
  int64_t pixels = 0;
  int maxDelta = 0;
  bool sameSize = true;
};
TDiff Compare(const kx::TBitmap& a, const kx::TBitmap& b);

}  // namespace kxtest

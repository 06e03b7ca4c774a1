// Shared helpers of the test programs: scratch folders, running other programs, test
// pictures, and reading the Netpbm files that oracles write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"

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

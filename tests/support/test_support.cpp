// Shared helpers of the test programs.
#include "tests/support/test_support.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "imaging/core/canvas.h"

namespace kxtest {
namespace {

struct TScratch {
  std::string path;
  TScratch() {
    std::string templ = (std::filesystem::temp_directory_path() / "kxtest-XXXXXX").string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("cannot create a scratch folder");
    path = templ;
  }
  ~TScratch() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

}  // namespace

const std::string& TempDir() {
  static TScratch scratch;
  return scratch.path;
}

std::string TempPath(const std::string& suffix) {
  static int counter = 0;
  return TempDir() + "/t" + std::to_string(++counter) + suffix;
}

std::string SourceDir() { return KX_SOURCE_DIR; }
std::string ToolPath() { return KX_TOOL_PATH; }

int Run(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
    if (output) output->append(buf, n);
  int status = pclose(pipe);
  if (status == -1) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

bool Have(const std::string& path) { return access(path.c_str(), X_OK) == 0; }

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

kx::TBitmap MakePicture(int32_t width, int32_t height, uint32_t seed) {
  kx::TBitmap bmp(width, height, kx::pf24bit);
  uint32_t state = seed * 2654435761u + 1;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = bmp.ScanLine(y);
    for (int32_t x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      int noise = int(state >> 28) - 8;
      int r = (x * 255) / (width > 1 ? width - 1 : 1);
      int g = (y * 255) / (height > 1 ? height - 1 : 1);
      int b = ((x / 16 + y / 16) % 2) ? 200 : 40;
      if ((x - width / 2) * (x - width / 2) + (y - height / 2) * (y - height / 2) < (width * width) / 16) b = 255 - g;
      auto clamp = [](int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
      row[x * 3 + 0] = clamp(b + noise);
      row[x * 3 + 1] = clamp(g + noise);
      row[x * 3 + 2] = clamp(r + noise);
    }
  }
  return bmp;
}

kx::TBitmap Uniform(int32_t width, int32_t height, uint8_t level, kx::TPixelFormat format) {
  kx::TBitmap b(width, height, format);
  if (format == kx::pf24bit) {
    for (int32_t y = 0; y < height; ++y) std::memset(b.ScanLine(y), level, size_t(width) * 3);
    return b;
  }
  b.Canvas().Brush.Color = kx::TColor(level) | kx::TColor(level) << 8 | kx::TColor(level) << 16;
  b.Canvas().FillRect(kx::Rect(0, 0, width, height));
  return b;
}

kx::TBitmap CoordinatePicture(int32_t width, int32_t height) {
  kx::TBitmap b(width, height, kx::pf24bit);
  for (int32_t y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<kx::TRGB*>(b.ScanLine(y));
    for (int32_t x = 0; x < width; ++x) row[x] = kx::CreateRGB(uint8_t(x), uint8_t(y), 7);
  }
  return b;
}

kx::TBitmap As24(const kx::TBitmap& b) {
  kx::TBitmap copy(b);
  copy.SetPixelFormat(kx::pf24bit);
  return copy;
}

bool SameBitmap(const kx::TBitmap& a, const kx::TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) return false;
  const size_t bytes = (size_t(a.Width()) * size_t(a.BitCount()) + 7) / 8;
  for (int32_t y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), bytes) != 0) return false;
  return true;
}

TFileSizeLimitScope::TFileSizeLimitScope(uint64_t bytes) {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  fSavedCurrent = limit.rlim_cur;
  fSavedHandler = std::signal(SIGXFSZ, SIG_IGN);
  limit.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limit);
}

TFileSizeLimitScope::~TFileSizeLimitScope() {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = fSavedCurrent;
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, fSavedHandler);
}

kx::TBitmap Filled(int32_t width, int32_t height, kx::TRGB color) {
  kx::TBitmap bmp(width, height, kx::pf24bit);
  for (int32_t y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<kx::TRGB*>(bmp.ScanLine(y));
    std::fill(row, row + width, color);
  }
  return bmp;
}

bool ReadNetpbm(const std::string& path, kx::TBitmap& out) {
  std::vector<uint8_t> d = ReadFile(path);
  size_t p = 0;
  auto skipSpace = [&] {
    while (p < d.size()) {
      if (d[p] == '#') {
        while (p < d.size() && d[p] != '\n') ++p;
      } else if (isspace(d[p])) {
        ++p;
      } else {
        break;
      }
    }
  };
  auto number = [&](long& v) {
    skipSpace();
    if (p >= d.size() || !isdigit(d[p])) return false;
    v = 0;
    while (p < d.size() && isdigit(d[p]) && v < 1000000) v = v * 10 + (d[p++] - '0');
    return true;
  };
  if (d.size() < 2 || d[0] != 'P' || (d[1] != '5' && d[1] != '6')) return false;
  bool gray = d[1] == '5';
  p = 2;
  long w, h, maxval;
  if (!number(w) || !number(h) || !number(maxval) || maxval != 255) return false;
  ++p;
  size_t channels = gray ? 1 : 3;
  if (d.size() < p + size_t(w) * size_t(h) * channels) return false;
  out.SetSize(0, 0);
  out.SetPixelFormat(kx::pf24bit);
  out.SetSize(int32_t(w), int32_t(h));
  for (long y = 0; y < h; ++y) {
    uint8_t* row = out.ScanLine(int32_t(y));
    for (long x = 0; x < w; ++x) {
      const uint8_t* s = &d[p + (size_t(y) * size_t(w) + size_t(x)) * channels];
      row[x * 3 + 0] = gray ? s[0] : s[2];
      row[x * 3 + 1] = gray ? s[0] : s[1];
      row[x * 3 + 2] = s[0];
    }
  }
  return true;
}

void WritePPM(const std::string& path, const kx::TBitmap& bmp) {
  std::string header = "P6\n" + std::to_string(bmp.Width()) + " " + std::to_string(bmp.Height()) + "\n255\n";
  std::vector<uint8_t> bytes(header.begin(), header.end());
  for (int32_t y = 0; y < bmp.Height(); ++y) {
    const uint8_t* row = bmp.ScanLine(y);
    for (int32_t x = 0; x < bmp.Width(); ++x) {
      bytes.push_back(row[x * 3 + 2]);
      bytes.push_back(row[x * 3 + 1]);
      bytes.push_back(row[x * 3 + 0]);
    }
  }
  WriteFile(path, bytes);
}

TDiff Compare(const kx::TBitmap& a, const kx::TBitmap& b) {
  TDiff d;
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) {
    d.sameSize = false;
    return d;
  }
  int bytesPerRow = (a.Width() * a.BitCount() + 7) / 8;
  int bpp = a.BitCount() >= 8 ? a.BitCount() / 8 : 1;
  for (int32_t y = 0; y < a.Height(); ++y) {
    const uint8_t* ra = a.ScanLine(y);
    const uint8_t* rb = b.ScanLine(y);
    for (int i = 0; i < bytesPerRow; i += bpp) {
      bool differs = false;
      for (int c = 0; c < bpp && i + c < bytesPerRow; ++c) {
        int delta = std::abs(int(ra[i + c]) - int(rb[i + c]));
        if (delta) differs = true;
        if (delta > d.maxDelta) d.maxDelta = delta;
      }
      if (differs) ++d.pixels;
    }
  }
  return d;
}

}  // namespace kxtest

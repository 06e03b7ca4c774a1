// The setting of an acquisition test: a scripted manager, a host whose event loop gives up after
// a few hundred turns (a test that would hang fails instead), scanner parameters, a destination
// and a progress record with a log. The scripted manager is declared first, so its checks of the
// final state run after everything else is gone.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/io/ioparams.h"
#include "imaging/scan/twain_acquire.h"
#include "tests/support/scripted_twain.h"
#include "tests/support/test_support.h"

namespace kxtest {

// Pixel (x, y) of the test pictures: red 10x, green 10y, blue x + y.
inline kx::TRGB ScanPixel(int32_t x, int32_t y) { return kx::TRGB{uint8_t(x + y), uint8_t(10 * y), uint8_t(10 * x)}; }

// The rows of a width x height RGB picture as a source sends them (red, green, blue), each row
// padded to bytesPerRow.
inline std::vector<uint8_t> RgbRows(int32_t width, int32_t height, uint32_t bytesPerRow) {
  std::vector<uint8_t> rows(size_t(height) * bytesPerRow);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const kx::TRGB c = ScanPixel(x, y);
      uint8_t* p = &rows[size_t(y) * bytesPerRow + size_t(x) * 3];
      p[0] = c.r;
      p[1] = c.g;
      p[2] = c.b;
    }
  }
  return rows;
}

// A width x height RGB image sent in strips of `rowsPerStrip` rows, each row in two strips side
// by side: the left `split` columns, then the rest at their offset.
inline TScriptedImage RgbImage(int32_t width, int32_t height, uint32_t rowsPerStrip, uint32_t split, double dpi = 300) {
  TScriptedImage image;
  image.Info = ImageInfo(width, height, 24, dpi);
  const uint32_t bytesPerRow = uint32_t(width) * 3;
  const std::vector<uint8_t> rows = RgbRows(width, height, bytesPerRow);
  for (uint32_t y = 0; y < uint32_t(height); y += rowsPerStrip) {
    const uint32_t n = std::min(rowsPerStrip, uint32_t(height) - y);
    for (uint32_t part = 0; part < 2; ++part) {
      TScriptedStrip strip;
      strip.XOffset = part == 0 ? 0 : split;
      strip.Columns = part == 0 ? split : uint32_t(width) - split;
      strip.YOffset = y;
      strip.Rows = n;
      strip.BytesPerRow = strip.Columns * 3;
      for (uint32_t r = 0; r < n; ++r) {
        const uint8_t* from = &rows[size_t(y + r) * bytesPerRow + size_t(strip.XOffset) * 3];
        strip.Bytes.insert(strip.Bytes.end(), from, from + strip.BytesPerRow);
      }
      image.Strips.push_back(std::move(strip));
    }
  }
  return image;
}

// True when `bitmap` is the width x height test picture.
inline bool IsScanPicture(const kx::TBitmap& bitmap, int32_t width, int32_t height) {
  if (bitmap.Width() != width || bitmap.Height() != height || bitmap.PixelFormat() != kx::pf24bit) return false;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const kx::TRGB got = bitmap.GetPixel(x, y), want = ScanPixel(x, y);
      if (got.r != want.r || got.g != want.g || got.b != want.b) return false;
    }
  }
  return true;
}

struct TScanRig {
  TScanRig() {
    progress.Aborting = &aborting;
    progress.fOnProgress = kx::TProgressEvent::Bind<&TProgressLog::Handler>(&log);
    // Memory transfers unless a test takes the mechanism away.
    twain.Caps[kx::ICAP_XFERMECH] = TCapAnswer::Enumeration(kx::TWTY_UINT16, {kx::TWSX_NATIVE, kx::TWSX_MEMORY}, 0);
  }
  bool Acquire(uintptr_t window = 0) { return kx::KXTW_Acquire(window, &bitmap, false, {}, &params, &io, progress); }

  TScriptedTwain twain;
  TWatchdogHost host;
  kx::TAcquireHostScope hostScope{host};
  kx::TKXTWainParams params;
  kx::TIOParamsVals io;
  kx::TBitmap bitmap;
  bool aborting = false;
  TProgressLog log;
  kx::TProgressRec progress;
};

}  // namespace kxtest

// TKXFtImage: the 2-D discrete Fourier transform of a picture, per colour channel or on its
// gray values, on a square power-of-two grid with the picture centred in black padding. It shows
// its spectrum as a picture (log-scaled, centred), removes frequencies (high pass, low pass,
// rectangular zones) and transforms back into a picture.
//
// Each channel is divided by its largest value before the transform and multiplied by it again
// on the way back, so a transform followed by BuildBitmap gives the picture back (within a level
// of rounding) and a filtered one keeps the picture's own levels.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/proc/fourier_transform.h"
#include "platform/memory.h"

namespace kx {

enum TKXFtImageType : uint8_t { kxitUnknown, kxitRGB, kxitGrayscale };

// N rows of 2N floats: the N real parts of the row, then its N imaginary parts. The floats lie
// in one zero-filled block of fresh pages, so a new plane of hundreds of megabytes costs neither
// a zeroing pass nor a page fault per 4 KiB.
class TKXComplexPlane {
 public:
  TKXComplexPlane() = default;
  // `count` floats, all 0; throws std::bad_alloc when the memory is not to be had.
  explicit TKXComplexPlane(size_t count);
  TKXComplexPlane(const TKXComplexPlane& other);
  TKXComplexPlane& operator=(const TKXComplexPlane& other);
  TKXComplexPlane(TKXComplexPlane&&) noexcept = default;
  TKXComplexPlane& operator=(TKXComplexPlane&&) noexcept = default;

  float* data() { return reinterpret_cast<float*>(fBlock.get()); }
  const float* data() const { return reinterpret_cast<const float*>(fBlock.get()); }
  size_t size() const { return fCount; }
  bool empty() const { return fCount == 0; }
  const float* begin() const { return data(); }
  const float* end() const { return data() + fCount; }
  float operator[](size_t i) const { return data()[i]; }
  friend bool operator==(const TKXComplexPlane& a, const TKXComplexPlane& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  TBlock fBlock;
  size_t fCount = 0;
};

// Where one element (x, y) lies in every plane present; null for absent planes.
struct TKXComplexElement {
  float* RedRe = nullptr;
  float* RedIm = nullptr;
  float* GreenRe = nullptr;
  float* GreenIm = nullptr;
  float* BlueRe = nullptr;
  float* BlueIm = nullptr;
  float* GrayRe = nullptr;
  float* GrayIm = nullptr;
};

class TKXFtImage {
 public:
  // The planes of one channel: red, green, blue (kxitRGB) or gray (kxitGrayscale).
  enum TChannel : uint8_t { chRed, chGreen, chBlue, chGray, kChannels };
  // The pixel byte each colour plane comes from and goes to.
  static constexpr int kChannelByte[] = {2, 1, 0};

  TKXFtImage() = default;
  TKXFtImage(const TKXFtImage&) = delete;
  TKXFtImage& operator=(const TKXFtImage&) = delete;

  // Frees the planes.
  void FreeAll();
  // Becomes a copy of `source`: size, tables, offsets, source size, handler, type and planes.
  void Assign(const TKXFtImage& source);

  // The forward transform of a 24-bit picture. A grid side above kKXFtMaxSize, planes holding
  // more elements than the pixel limit allows pixels, another format, kxitUnknown or a lack of
  // memory leave the object empty and return false, with the reason in LastRefusal(); all of
  // these are settled before any plane is allocated.
  bool BuildFT(const TBitmap& picture, TKXFtImageType type);
  // The spectrum as an N x N 24-bit picture: byte = (v - min) x 255 / (max - min) for
  // v = ln(sqrt(magnitude)); a spectrum of one value shows black. Red, green and blue planes go
  // to their bytes, the gray plane to all three. Nothing happens to `picture` when empty.
  void GetFTImage(TBitmap& picture) const;
  // The inverse transform into a 24-bit picture of the source's size: the absolute value of
  // each element's real part, times the channel's largest value, rounded and limited to 0..255.
  void BuildBitmap(TBitmap& picture) const;

  // Frequency removal on every plane. The distance of (x, y) from the centre (N div 2, N div 2)
  // is Trunc(sqrt(dx^2 + dy^2)). HiPass clears the elements at most `radius` away, LoPass
  // those farther away; ClearZone the elements of the rectangle x1..x2, y1..y2 (inclusive),
  // cut to the grid.
  void HiPass(int32_t radius);
  void LoPass(int32_t radius);
  void ClearZone(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  // Element (x, y) of every plane present; all null outside the grid.
  TKXComplexElement GetComplexImage(int32_t x, int32_t y);

  TKXFtImageType ImageType() const { return fImageType; }
  bool Empty() const { return fImageType == kxitUnknown; }
  // N of the planes (0 when empty).
  int32_t TransformSize() const { return fTransformSize; }
  int32_t XOffset() const { return fXOffset; }
  int32_t YOffset() const { return fYOffset; }
  int32_t SourceWidth() const { return fSourceWidth; }
  int32_t SourceHeight() const { return fSourceHeight; }
  // A plane (empty when absent) and the value its channel was divided by.
  const TKXComplexPlane& Plane(TChannel channel) const {
    return fShared && (channel == chGreen || channel == chBlue) ? fPlanes[chRed] : fPlanes[channel];
  }
  float Normalisation(TChannel channel) const { return fNorm[channel]; }
  const std::string& LastRefusal() const { return fLastRefusal; }

  TProgressEvent OnProgress;

 private:
  // The channels of this type, in the order they are transformed.
  std::vector<TChannel> Channels() const;
  // The planes actually held: only red while green and blue share it.
  std::vector<TChannel> StoredChannels() const;
  // True for a colour transform whose three planes and divisors are equal.
  bool SameColourPlanes() const;
  // Clears, in every plane, the elements of row y from column x1 to x2 (within the grid).
  void ClearSpan(int32_t y, int32_t x1, int32_t x2);
  TProgressRec Progress(int32_t passes) const;

  TKXFftTables fTables;
  int32_t fTransformSize = 0;
  TKXComplexPlane fPlanes[kChannels];
  // Green and blue are the red plane (a gray picture transformed in colour) until an element is
  // handed out by GetComplexImage, which may change one plane alone.
  bool fShared = false;
  float fNorm[kChannels] = {1, 1, 1, 1};
  int32_t fXOffset = 0, fYOffset = 0;
  int32_t fSourceWidth = 0, fSourceHeight = 0;
  TKXFtImageType fImageType = kxitUnknown;
  std::string fLastRefusal;
};

}  // namespace kx

// TKXFtImage's forward and inverse transforms and its plane bookkeeping.
#include <algorithm>
#include <cmath>
#include <new>

#include "imaging/core/limits.h"
#include "imaging/core/pixelformat.h"
#include "imaging/proc/fourier.h"
#include "imaging/proc/pixel_convert.h"

namespace kx {

namespace {

// The channel's values along one picture row.
void ChannelRow(const uint8_t* row, int32_t width, TKXFtImage::TChannel channel, uint8_t* out) {
  if (channel == TKXFtImage::chGray) {
    for (int32_t x = 0; x < width; ++x, row += 3) out[x] = _RGBToGray(TRGB{row[0], row[1], row[2]});
  } else {
    row += TKXFtImage::kChannelByte[channel];
    for (int32_t x = 0; x < width; ++x, row += 3) out[x] = *row;
  }
}

// A level of the picture from the absolute value of a transformed-back element; NaN gives 0.
inline uint8_t Level(float value, float norm) {
  const float v = std::fabs(value) * norm + 0.5f;
  return v > 0 ? (v < 255 ? uint8_t(v) : uint8_t(255)) : uint8_t(0);
}

// True when red, green and blue are equal in every pixel.
bool IsGray(const TBitmap& picture) {
  for (int32_t y = 0; y < picture.Height(); ++y) {
    const uint8_t* p = picture.ScanLine(y);
    for (int32_t x = 0; x < picture.Width(); ++x, p += 3)
      if (p[0] != p[1] || p[1] != p[2]) return false;
  }
  return true;
}

// Reports the end of a pass that needed no transform of its own.
void ReportPassDone(const TProgressRec& progress, int32_t pass, int32_t n) {
  if (progress.fOnProgress.Assigned())
    progress.fOnProgress(progress.Sender, KXTrunc(progress.per1 * (n - 1) + progress.per1 * pass * n));
}

}  // namespace

TKXComplexPlane::TKXComplexPlane(size_t count) : fBlock(KXAllocZeroedBlock(count * sizeof(float))), fCount(count) {}

TKXComplexPlane::TKXComplexPlane(const TKXComplexPlane& other) : TKXComplexPlane(other.fCount) {
  std::copy(other.begin(), other.end(), data());
}

TKXComplexPlane& TKXComplexPlane::operator=(const TKXComplexPlane& other) {
  if (&other != this) {
    if (fCount != other.fCount) *this = TKXComplexPlane(other.fCount);
    std::copy(other.begin(), other.end(), data());
  }
  return *this;
}

std::vector<TKXFtImage::TChannel> TKXFtImage::Channels() const {
  if (fImageType == kxitRGB) return {chRed, chGreen, chBlue};
  if (fImageType == kxitGrayscale) return {chGray};
  return {};
}

std::vector<TKXFtImage::TChannel> TKXFtImage::StoredChannels() const {
  if (fShared) return {chRed};
  return Channels();
}

TProgressRec TKXFtImage::Progress(int32_t passes) const {
  TProgressRec progress;
  progress.fOnProgress = OnProgress;
  progress.Sender = const_cast<TKXFtImage*>(this);
  progress.tot = passes;
  progress.SetUnits(double(passes) * fTransformSize);
  return progress;
}

void TKXFtImage::FreeAll() {
  for (TKXComplexPlane& plane : fPlanes) plane = TKXComplexPlane();
  fShared = false;
}

void TKXFtImage::Assign(const TKXFtImage& source) {
  if (&source == this) return;
  FreeAll();
  fTransformSize = source.fTransformSize;
  if (fTransformSize > 0) fTables.Init(fTransformSize);
  fXOffset = source.fXOffset;
  fYOffset = source.fYOffset;
  fSourceWidth = source.fSourceWidth;
  fSourceHeight = source.fSourceHeight;
  OnProgress = source.OnProgress;
  fImageType = source.fImageType;
  fShared = source.fShared;
  for (int c = 0; c < kChannels; ++c) {
    fPlanes[c] = source.fPlanes[c];
    fNorm[c] = source.fNorm[c];
  }
}

bool TKXFtImage::BuildFT(const TBitmap& picture, TKXFtImageType type) {
  fLastRefusal.clear();
  const int32_t w = picture.Width(), h = picture.Height();
  std::string refusal;
  if (type != kxitRGB && type != kxitGrayscale)
    refusal = "needs the type kxitRGB or kxitGrayscale";
  else if (picture.Empty() || picture.BitCount() != 24)
    refusal = "works on 24-bit pictures only";
  const int32_t n = refusal.empty() ? KXFtGridSize(std::max(w, h)) : 0;
  if (refusal.empty() && n == 0)
    refusal = std::to_string(w) + " x " + std::to_string(h) + " is above the largest transform side of " +
              std::to_string(kKXFtMaxSize);
  // The planes' elements count against the pixel limit, as a picture's pixels do: at the default
  // limit a colour transform reaches 8192 x 8192 and a gray one 16384 x 16384 (2 GiB of planes).
  const int64_t planes = type == kxitRGB ? 3 : 1;
  if (refusal.empty() && !KXPixelsAllowed(planes * n, n))
    refusal = "its " + std::to_string(planes) + (planes == 1 ? " plane" : " planes") + " of " + std::to_string(n) +
              " x " + std::to_string(n) + " hold " + std::to_string(planes * n * n) +
              " elements, above the pixel limit of " + std::to_string(KXPixelLimit());
  if (!refusal.empty()) {
    FreeAll();
    fImageType = kxitUnknown;
    fTransformSize = 0;
    fLastRefusal = refusal;
    return false;
  }

  fSourceWidth = w;
  fSourceHeight = h;
  fXOffset = (n - w) / 2;
  fYOffset = (n - h) / 2;
  fImageType = type;
  const std::vector<TChannel> channels = Channels();
  // The three planes of a gray picture are equal: one transform serves them all, and green and
  // blue share red's plane.
  fShared = type == kxitRGB && IsGray(picture);
  const std::vector<TChannel> stored = StoredChannels();
  // A plane of the size needed is used again: transforming picture after picture of one size
  // then touches no fresh memory. Only what the picture does not cover needs clearing there.
  const size_t count = size_t(2) * size_t(n) * size_t(n);
  bool reused[kChannels] = {};
  try {
    for (int c = 0; c < kChannels; ++c) {
      const bool needed = std::find(stored.begin(), stored.end(), TChannel(c)) != stored.end();
      reused[c] = needed && fPlanes[c].size() == count;
      if (!reused[c]) fPlanes[c] = needed ? TKXComplexPlane(count) : TKXComplexPlane();
    }
  } catch (const std::bad_alloc&) {
    FreeAll();
    fImageType = kxitUnknown;
    fTransformSize = 0;
    fLastRefusal = "not enough memory for " + std::to_string(channels.size()) + " planes of " + std::to_string(n) +
                   " x " + std::to_string(n);
    return false;
  }
  fTransformSize = n;
  if (fTables.Size != n) fTables.Init(n);

  const TProgressRec progress = Progress(int32_t(channels.size()));
  std::vector<uint8_t> values(static_cast<size_t>(w));
  const size_t stride = size_t(2) * size_t(n);
  for (int32_t pass = 0; pass < int32_t(channels.size()); ++pass) {
    const TChannel c = channels[size_t(pass)];
    if (fShared && pass > 0) {
      fNorm[c] = fNorm[chRed];
      ReportPassDone(progress, pass, n);
      continue;
    }
    // Values are divided by the channel's largest (at least 1) so that the planes hold the same
    // range whatever the picture; the divisor is kept for the way back.
    int maximum = 1;
    for (int32_t y = 0; y < h; ++y) {
      ChannelRow(picture.ScanLine(y), w, c, values.data());
      maximum = std::max<int>(maximum, *std::max_element(values.begin(), values.end()));
    }
    fNorm[c] = float(maximum);
    // Element (x, y) is multiplied by -1 when x + y is odd, which moves the zero frequency to
    // the centre of the spectrum.
    float scaled[2][256];
    for (int v = 0; v < 256; ++v) {
      scaled[0][v] = float(v) / float(maximum);
      scaled[1][v] = -scaled[0][v];
    }
    float* plane = fPlanes[c].data();
    if (reused[c]) {
      std::fill(plane, plane + size_t(fYOffset) * stride, 0.0f);
      std::fill(plane + size_t(fYOffset + h) * stride, plane + count, 0.0f);
    }
    for (int32_t y = 0; y < h; ++y) {
      ChannelRow(picture.ScanLine(y), w, c, values.data());
      float* row = plane + size_t(y + fYOffset) * stride;
      if (reused[c]) {
        std::fill(row, row + fXOffset, 0.0f);
        std::fill(row + fXOffset + w, row + stride, 0.0f);
      }
      float* re = row + fXOffset;
      const int odd = (fXOffset + y + fYOffset) & 1;
      for (int32_t x = 0; x < w; ++x) re[x] = scaled[(x + odd) & 1][values[size_t(x)]];
    }
    KXFft2D(fTables, plane, -1, progress, pass, int32_t(channels.size()), fYOffset, fYOffset + h - 1);
  }
  return true;
}

void TKXFtImage::BuildBitmap(TBitmap& picture) const {
  if (Empty()) return;
  const int32_t n = fTransformSize;
  const std::vector<TChannel> channels = Channels();
  picture.SetPixelFormat(pf24bit);
  picture.SetSize(fSourceWidth, fSourceHeight);
  const TProgressRec progress = Progress(int32_t(channels.size()));
  TKXComplexPlane work;
  const size_t stride = size_t(2) * size_t(n);
  // Colour planes that are all equal (a gray picture, filtered alike) go back in one transform.
  const bool same = SameColourPlanes();
  for (int32_t pass = 0; pass < int32_t(channels.size()); ++pass) {
    const TChannel c = channels[size_t(pass)];
    if (same && pass > 0) {
      ReportPassDone(progress, pass, n);
      continue;
    }
    work = fPlanes[c];
    KXFft2D(fTables, work.data(), +1, progress, pass, int32_t(channels.size()));
    const float norm = fNorm[c];
    for (int32_t y = 0; y < fSourceHeight; ++y) {
      const float* re = work.data() + size_t(y + fYOffset) * stride + fXOffset;
      uint8_t* out = picture.ScanLine(y);
      if (c == chGray || same) {
        for (int32_t x = 0; x < fSourceWidth; ++x, out += 3) out[0] = out[1] = out[2] = Level(re[x], norm);
      } else {
        out += kChannelByte[c];
        for (int32_t x = 0; x < fSourceWidth; ++x, out += 3) *out = Level(re[x], norm);
      }
    }
  }
}

bool TKXFtImage::SameColourPlanes() const {
  if (fShared) return true;
  return fImageType == kxitRGB && fNorm[chRed] == fNorm[chGreen] && fNorm[chRed] == fNorm[chBlue] &&
         fPlanes[chRed] == fPlanes[chGreen] && fPlanes[chRed] == fPlanes[chBlue];
}

TKXComplexElement TKXFtImage::GetComplexImage(int32_t x, int32_t y) {
  TKXComplexElement e;
  if (Empty() || x < 0 || y < 0 || x >= fTransformSize || y >= fTransformSize) return e;
  if (fShared) {
    fPlanes[chGreen] = fPlanes[chRed];
    fPlanes[chBlue] = fPlanes[chRed];
    fShared = false;
  }
  float* at[kChannels][2] = {};
  const size_t offset = size_t(y) * size_t(2) * size_t(fTransformSize) + size_t(x);
  for (TChannel c : Channels()) {
    at[c][0] = fPlanes[c].data() + offset;
    at[c][1] = at[c][0] + fTransformSize;
  }
  e.RedRe = at[chRed][0], e.RedIm = at[chRed][1];
  e.GreenRe = at[chGreen][0], e.GreenIm = at[chGreen][1];
  e.BlueRe = at[chBlue][0], e.BlueIm = at[chBlue][1];
  e.GrayRe = at[chGray][0], e.GrayIm = at[chGray][1];
  return e;
}

}  // namespace kx

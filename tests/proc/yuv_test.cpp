// YUV frames: the colour formula for every input, frame sizes, and each layout against a
// reference that finds every pixel's Y, U and V from the layout's description, for odd sizes,
// both row orders and partial groups at the row ends.
#include "imaging/proc/yuv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

using namespace kx;

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Code(const char* s) {
  uint32_t c = 0;
  std::memcpy(&c, s, 4);
  return c;
}

uint8_t Channel(double x) {
  const double r = std::nearbyint(x);
  return uint8_t(r < 0 ? 0 : r > 255 ? 255 : r);
}

TRGB Formula(int y, int u, int v) {
  TRGB c;
  c.b = Channel(1.164 * (y - 16) + 2.018 * (u - 128));
  c.g = Channel(1.164 * (y - 16) - 0.813 * (v - 128) - 0.391 * (u - 128));
  c.r = Channel(1.164 * (y - 16) + 1.596 * (v - 128));
  return c;
}

TEST(Yuv, ColourFormulaHoldsForEveryInput) {
  for (int y = 0; y < 256; ++y)
    for (int u = 0; u < 256; ++u)
      for (int v = 0; v < 256; ++v) {
        TRGB got;
        YUV2RGB(y, u, v, got);
        const TRGB want = Formula(y, u, v);
        if (!(got == want)) FAIL() << y << " " << u << " " << v;
      }
  TRGB c;
  YUV2RGB(126, 131, 128, c);  // 1.164 x 110 + 2.018 x 3 = 134.094; g = 128.04 - 1.173 = 126.867
  EXPECT_EQ(c, CreateRGB(128, 127, 134));
}

// One pixel's samples: the byte offsets of its Y, U and V in the frame.
struct TSamples {
  size_t Y, U, V;
};

// A packed layout as its memory order, e.g. "Y0 U Y1 V": pixel k of a group takes the luma
// with the largest number not above k, and likewise the chroma ("U" alone serves all).
struct TPacked {
  std::vector<std::string> Tokens;
  int Pixels;
};

size_t Pick(const TPacked& p, char kind, int k) {
  size_t best = 0;
  int bestNumber = -1;
  for (size_t i = 0; i < p.Tokens.size(); ++i) {
    const std::string& t = p.Tokens[i];
    if (t[0] != kind) continue;
    const int n = t.size() > 1 ? std::stoi(t.substr(1)) : 0;
    if (n <= k && n > bestNumber) best = i, bestNumber = n;
  }
  return best;
}

TPacked Parse(const char* order, int pixels) {
  TPacked p{{}, pixels};
  std::istringstream in(order);
  for (std::string t; in >> t;) p.Tokens.push_back(t);
  return p;
}

struct TLayoutCase {
  const char* Code;
  void (*Convert)(std::span<const uint8_t>, TBitmap&, bool);
  const char* Order;  // packed memory order; null for planar and CLJR
  int Pixels;         // pixels per packed group
  int Planar;         // chroma factor of a planar layout
  bool UFirst;
};

const TLayoutCase kLayouts[] = {
    {"I420", _CopyI420ToBitmap, nullptr, 0, 2, true},
    {"IYUV", _CopyI420ToBitmap, nullptr, 0, 2, true},
    {"YV12", _CopyYV12ToBitmap, nullptr, 0, 2, false},
    {"YVU9", _CopyYVU9ToBitmap, nullptr, 0, 4, false},
    {"YUY2", _CopyYUY2ToBitmap, "Y0 U Y1 V", 2, 0, false},
    {"YUNV", _CopyYUY2ToBitmap, "Y0 U Y1 V", 2, 0, false},
    {"UYVY", _CopyUYVYToBitmap, "U Y0 V Y1", 2, 0, false},
    {"UYNV", _CopyUYVYToBitmap, "U Y0 V Y1", 2, 0, false},
    {"YVYU", _CopyYVYUToBitmap, "Y0 V Y1 U", 2, 0, false},
    {"IYU1", _CopyIYU1ToBitmap, "U Y0 Y1 V Y2 Y3", 4, 0, false},
    {"IYU2", _CopyIYU2ToBitmap, "U Y V", 1, 0, false},
    {"Y211", _CopyY211ToBitmap, "Y0 U Y2 V", 4, 0, false},
    {"Y41P", _CopyY41PToBitmap, "U0 Y0 V0 Y1 U4 Y2 V4 Y3 Y4 Y5 Y6 Y7", 8, 0, false},
    {"CLJR", _CopyCLJRToBitmap, nullptr, 4, 0, false},
};

int64_t ReferenceFrameBytes(const TLayoutCase& c, int64_t w, int64_t h) {
  if (c.Planar) return w * h + 2 * ((w + c.Planar - 1) / c.Planar) * ((h + c.Planar - 1) / c.Planar);
  const int64_t groupBytes = c.Order ? int64_t(Parse(c.Order, c.Pixels).Tokens.size()) : 4;
  return (w / c.Pixels) * groupBytes * h;
}

// The colour of pixel x of stored row i, or nothing for a pixel of a partial group.
std::optional<TRGB> Reference(const TLayoutCase& c, const Bytes& frame, int64_t w, int64_t h, int64_t x, int64_t i) {
  if (c.Planar) {
    const int64_t f = c.Planar, cw = (w + f - 1) / f, ch = (h + f - 1) / f;
    const int64_t first = w * h, second = first + cw * ch, chroma = (i / f) * cw + x / f;
    const int64_t u = (c.UFirst ? first : second) + chroma, v = (c.UFirst ? second : first) + chroma;
    return Formula(frame[size_t(i * w + x)], frame[size_t(u)], frame[size_t(v)]);
  }
  const int64_t groups = w / c.Pixels;
  if (x / c.Pixels >= groups) return std::nullopt;
  if (!c.Order) {
    const size_t at = size_t(i * groups * 4 + (x / 4) * 4);
    const uint32_t word = uint32_t(frame[at]) | uint32_t(frame[at + 1]) << 8 | uint32_t(frame[at + 2]) << 16 |
                          uint32_t(frame[at + 3]) << 24;
    const int y = int(word >> (12 + 5 * (x % 4))) & 31;
    return Formula(y, int(word >> 6) & 63, int(word & 63));
  }
  const TPacked p = Parse(c.Order, c.Pixels);
  const int64_t group = i * groups * int64_t(p.Tokens.size()) + (x / c.Pixels) * int64_t(p.Tokens.size());
  const int k = int(x % c.Pixels);
  return Formula(frame[size_t(group) + Pick(p, 'Y', k)], frame[size_t(group) + Pick(p, 'U', k)],
                 frame[size_t(group) + Pick(p, 'V', k)]);
}

TEST(Yuv, EveryLayoutMatchesItsDescription) {
  const TRGB marker = CreateRGB(1, 2, 3);
  std::mt19937 random(5);
  for (const TLayoutCase& c : kLayouts)
    for (auto [w, h] : {std::pair{1, 1}, std::pair{5, 3}, std::pair{9, 7}, std::pair{16, 4}, std::pair{19, 6}}) {
      const int64_t bytes = ReferenceFrameBytes(c, w, h);
      ASSERT_EQ(KXYuvFrameBytes(Code(c.Code), w, h), bytes) << c.Code << " " << w << "x" << h;
      Bytes frame(static_cast<size_t>(bytes));
      for (uint8_t& b : frame) b = uint8_t(random());
      for (bool topDown : {true, false})
        for (bool direct : {true, false}) {
          TBitmap out = kxtest::Filled(w, h, marker);
          if (direct) {
            c.Convert(frame, out, topDown);
          } else {
            ASSERT_TRUE(KXConvertYuv(Code(c.Code), frame, out, topDown)) << c.Code;
          }
          for (int32_t i = 0; i < h; ++i)
            for (int32_t x = 0; x < w; ++x) {
              const TRGB want = Reference(c, frame, w, h, x, i).value_or(marker);
              ASSERT_EQ(out.GetPixel(x, topDown ? i : h - 1 - i), want)
                  << c.Code << " " << w << "x" << h << " pixel " << x << " of stored row " << i << " topDown "
                  << topDown;
            }
        }
    }
}

// cyuv holds the bytes of UYVY with its rows the other way round.
TEST(Yuv, CyuvIsUyvyUpsideDown) {
  const Bytes frame = [] {
    Bytes f(size_t(KXYuvFrameBytes(Code("UYVY"), 6, 3)));
    for (size_t i = 0; i < f.size(); ++i) f[i] = uint8_t(i * 37 + 11);
    return f;
  }();
  for (bool topDown : {true, false}) {
    TBitmap cyuv(6, 3), uyvy(6, 3);
    ASSERT_TRUE(KXConvertYuv(Code("cyuv"), frame, cyuv, topDown));
    _CopyUYVYToBitmap(frame, uyvy, !topDown);
    EXPECT_TRUE(kxtest::SameBitmap(cyuv, uyvy));
    EXPECT_EQ(KXYuvFrameBytes(Code("cyuv"), 6, 3), 36);
  }
}

TEST(Yuv, FrameSizesAndRefusals) {
  EXPECT_EQ(KXYuvFrameBytes(Code("I420"), 5, 3), 15 + 2 * 3 * 2);
  EXPECT_EQ(KXYuvFrameBytes(Code("YVU9"), 5, 5), 25 + 2 * 2 * 2);
  EXPECT_EQ(KXYuvFrameBytes(Code("Y41P"), 17, 2), 2 * 12 * 2);
  EXPECT_EQ(KXYuvFrameBytes(Code("IYU1"), 7, 1), 6);
  EXPECT_EQ(KXYuvFrameBytes(Code("ABCD"), 4, 4), -1);
  EXPECT_EQ(KXYuvFrameBytes(Code("I420"), INT64_MAX / 2, 4), -1);

  const Bytes frame(size_t(KXYuvFrameBytes(Code("YUY2"), 4, 2)) - 1, 0x80);
  TBitmap out = kxtest::MakePicture(4, 2);
  const TBitmap before = out;
  EXPECT_FALSE(KXConvertYuv(Code("YUY2"), frame, out, true));
  EXPECT_FALSE(KXConvertYuv(Code("ABCD"), Bytes(64, 0), out, true));
  _CopyYUY2ToBitmap(frame, out, true);
  EXPECT_TRUE(kxtest::SameBitmap(out, before));
}

}  // namespace

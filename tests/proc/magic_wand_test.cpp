// The magic wand's region and polygon: the worked vertex lists, holes, connectivity, tolerance,
// the maximum filter, the coarse grid, and a containment property on random pictures.
#include "imaging/proc/magic_wand.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <vector>

#include "imaging/core/bitmap.h"

using namespace kx;

namespace {

constexpr TRGB kInk = CreateRGB(200, 40, 10);
constexpr TRGB kPaper = CreateRGB(10, 90, 220);

TBitmap Paper(int32_t w, int32_t h) {
  TBitmap b(w, h, pf24bit);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.SetPixel(x, y, kPaper);
  return b;
}

void Fill(TBitmap& b, int32_t x1, int32_t y1, int32_t x2, int32_t y2, TRGB c) {
  for (int32_t y = y1; y <= y2; ++y)
    for (int32_t x = x1; x <= x2; ++x) b.SetPixel(x, y, c);
}

// Each corner of the rectangle from (l, t) to (r, b) twice, clockwise from the top-left.
std::vector<TPoint> RectangleVertices(int32_t l, int32_t t, int32_t r, int32_t b) {
  return {{l, t}, {r, t}, {r, t}, {r, b}, {r, b}, {l, b}, {l, b}, {l, t}};
}

// Even-odd test of the pixel's centre.
bool Inside(const std::vector<TPoint>& poly, int32_t px, int32_t py) {
  const double x = px + 0.5, y = py + 0.5;
  bool in = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const TPoint a = poly[i], b = poly[j];
    if ((a.Y > y) != (b.Y > y) && x < a.X + (y - a.Y) * double(b.X - a.X) / double(b.Y - a.Y)) in = !in;
  }
  return in;
}

using TMask = std::vector<std::vector<bool>>;

// The reference region: breadth-first over 4-neighbours whose channels are within tolerance.
TMask Region(const TBitmap& b, int32_t sx, int32_t sy, int tolerance) {
  const TRGB seed = b.GetPixel(sx, sy);
  TMask in(size_t(b.Height()), std::vector<bool>(size_t(b.Width())));
  std::deque<TPoint> queue{{sx, sy}};
  in[size_t(sy)][size_t(sx)] = true;
  while (!queue.empty()) {
    const TPoint p = queue.front();
    queue.pop_front();
    for (TPoint d : {TPoint{1, 0}, TPoint{-1, 0}, TPoint{0, 1}, TPoint{0, -1}}) {
      const int32_t x = p.X + d.X, y = p.Y + d.Y;
      if (x < 0 || y < 0 || x >= b.Width() || y >= b.Height() || in[size_t(y)][size_t(x)]) continue;
      const TRGB c = b.GetPixel(x, y);
      if (std::abs(c.r - seed.r) > tolerance || std::abs(c.g - seed.g) > tolerance ||
          std::abs(c.b - seed.b) > tolerance)
        continue;
      in[size_t(y)][size_t(x)] = true;
      queue.push_back({x, y});
    }
  }
  return in;
}

// The maximum filter's region: each pixel's 3 x 3 block, limited to the bounding box.
TMask Grown(const TMask& m) {
  const int32_t h = int32_t(m.size()), w = int32_t(m[0].size());
  int32_t l = w, t = h, r = -1, b = -1;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      if (m[size_t(y)][size_t(x)]) l = std::min(l, x), r = std::max(r, x), t = std::min(t, y), b = std::max(b, y);
  TMask out(size_t(h), std::vector<bool>(size_t(w), false));
  for (int32_t y = t; y <= b; ++y)
    for (int32_t x = l; x <= r; ++x)
      for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx) {
          const int32_t sx = x + dx, sy = y + dy;
          if (sx >= 0 && sy >= 0 && sx < w && sy < h && m[size_t(sy)][size_t(sx)]) out[size_t(y)][size_t(x)] = true;
        }
  return out;
}

// Pixels surely outside the mask's outer border: reached from beyond the picture through
// 4-neighbours not in the mask. A pocket that meets the outside only at a pixel corner is
// pinched off by the border where the trace passes that corner, so it may count either way.
TMask Exterior(const TMask& m) {
  const int32_t h = int32_t(m.size()) + 2, w = int32_t(m[0].size()) + 2;
  std::vector<std::vector<bool>> seen(size_t(h), std::vector<bool>(size_t(w), false));
  std::deque<TPoint> queue{{0, 0}};
  seen[0][0] = true;
  while (!queue.empty()) {
    const TPoint p = queue.front();
    queue.pop_front();
    for (TPoint d : {TPoint{1, 0}, TPoint{-1, 0}, TPoint{0, 1}, TPoint{0, -1}}) {
      const int32_t x = p.X + d.X, y = p.Y + d.Y;
      if (x < 0 || y < 0 || x >= w || y >= h || seen[size_t(y)][size_t(x)]) continue;
      if (x > 0 && y > 0 && x < w - 1 && y < h - 1 && m[size_t(y - 1)][size_t(x - 1)]) continue;
      seen[size_t(y)][size_t(x)] = true;
      queue.push_back({x, y});
    }
  }
  TMask out(m.size(), std::vector<bool>(m[0].size()));
  for (size_t y = 0; y < m.size(); ++y)
    for (size_t x = 0; x < m[0].size(); ++x) out[y][x] = seen[y + 1][x + 1];
  return out;
}

// Every pixel of `region` lies inside the polygon; when `exact`, no exterior pixel does.
void ExpectEncloses(const std::vector<TPoint>& poly, const TMask& region, bool exact, const std::string& label) {
  ASSERT_GE(poly.size(), 4u) << label;
  const TMask outside = Exterior(region);
  int faults = 0;
  for (size_t y = 0; y < region.size(); ++y)
    for (size_t x = 0; x < region[0].size(); ++x) {
      const bool in = Inside(poly, int32_t(x), int32_t(y));
      const char* fault = region[y][x] && !in            ? "region pixel outside"
                          : exact && outside[y][x] && in ? "exterior pixel inside"
                                                         : nullptr;
      if (fault == nullptr) continue;
      ADD_FAILURE() << label << ": " << fault << " at " << x << "," << y;
      if (++faults > 3) return;
    }
}

}  // namespace

TEST(MagicWand, SinglePixelGivesEachCornerTwice) {
  TBitmap b = Paper(12, 8);
  b.SetPixel(5, 3, kInk);
  const std::vector<TPoint> want = {{5, 3}, {6, 3}, {6, 3}, {6, 4}, {6, 4}, {5, 4}, {5, 4}, {5, 3}};
  EXPECT_EQ(_MakeMagicWandPoints(b, 5, 3, false, 0), want);
  // Its paper neighbour 1 away in blue still differs by 190 in red.
  EXPECT_EQ(_MakeMagicWandPoints(b, 5, 3, false, 189), want);
}

TEST(MagicWand, RectangleGivesItsCornersTwice) {
  TBitmap b = Paper(30, 25);
  Fill(b, 10, 10, 19, 14, kInk);
  EXPECT_EQ(_MakeMagicWandPoints(b, 12, 12, false, 0), RectangleVertices(10, 10, 20, 15));
  EXPECT_EQ(_MakeMagicWandPoints(b, 19, 14, false, 0), RectangleVertices(10, 10, 20, 15));
}

TEST(MagicWand, HolesAreLeftInside) {
  TBitmap b = Paper(16, 16);
  Fill(b, 2, 3, 12, 11, kInk);
  b.SetPixel(5, 5, kPaper);
  Fill(b, 7, 6, 10, 9, kPaper);
  EXPECT_EQ(_MakeMagicWandPoints(b, 2, 3, false, 0), RectangleVertices(2, 3, 13, 12));
}

TEST(MagicWand, CornerTouchingAreasStayApart) {
  TBitmap b = Paper(12, 12);
  Fill(b, 2, 2, 4, 4, kInk);
  Fill(b, 5, 5, 7, 7, kInk);
  EXPECT_EQ(_MakeMagicWandPoints(b, 3, 3, false, 0), RectangleVertices(2, 2, 5, 5));
  EXPECT_EQ(_MakeMagicWandPoints(b, 7, 5, false, 0), RectangleVertices(5, 5, 8, 8));
  // The paper is one region, with the two squares as notches in its border.
  const std::vector<TPoint> paper = _MakeMagicWandPoints(b, 0, 0, false, 0);
  ExpectEncloses(paper, Region(b, 0, 0, 0), true, "paper");
}

TEST(MagicWand, ToleranceIsTheLargestChannelDifference) {
  // One row whose green rises by 10 per pixel from the seed at x = 0.
  TBitmap b(8, 3, pf24bit);
  for (int32_t x = 0; x < 8; ++x) b.SetPixel(x, 1, CreateRGB(50, uint8_t(100 + 10 * x), 50));
  struct Case {
    int tolerance;
    int32_t right;
  };
  for (Case c : {Case{0, 1}, Case{9, 1}, Case{10, 2}, Case{35, 4}, Case{70, 8}}) {
    EXPECT_EQ(_MakeMagicWandPoints(b, 0, 1, false, c.tolerance), RectangleVertices(0, 1, c.right, 2)) << c.tolerance;
  }
  // 255 takes in the black rows above and below too.
  EXPECT_EQ(_MakeMagicWandPoints(b, 0, 1, false, 255), RectangleVertices(0, 0, 8, 3));
}

TEST(MagicWand, ToleranceAllSelectsThePictureUpToItsFarEdges) {
  TBitmap b(37, 23, pf24bit);
  for (int32_t y = 0; y < 23; ++y)
    for (int32_t x = 0; x < 37; ++x) b.SetPixel(x, y, CreateRGB(uint8_t(x * 7), uint8_t(y * 11), uint8_t(x * y)));
  for (TPoint click : {TPoint{0, 0}, TPoint{36, 22}, TPoint{17, 9}}) {
    EXPECT_EQ(_MakeMagicWandPoints(b, click.X, click.Y, false, 255), RectangleVertices(0, 0, 37, 23));
    EXPECT_EQ(_MakeMagicWandPoints(b, click.X, click.Y, true, 300), RectangleVertices(0, 0, 37, 23));
  }
}

TEST(MagicWand, NoPointsOutsideThePictureOrForOtherFormats) {
  const TBitmap b = Paper(10, 6);
  for (TPoint click : {TPoint{-1, 0}, TPoint{0, -1}, TPoint{10, 0}, TPoint{0, 6}}) {
    EXPECT_TRUE(_MakeMagicWandPoints(b, click.X, click.Y, false, 255).empty()) << click.X << "," << click.Y;
  }
  for (TPixelFormat pf : {pf1bit, pf8bit, pf32bit}) {
    EXPECT_TRUE(_MakeMagicWandPoints(TBitmap(10, 6, pf), 2, 2, false, 255).empty()) << int(pf);
  }
  EXPECT_TRUE(_MakeMagicWandPoints(TBitmap(), 0, 0, false, 255).empty());
}

TEST(MagicWand, MaximumFilterClosesNarrowGapsWithinTheBox) {
  // A C shape: a 7 x 5 block with a one-pixel slot cut in from the right.
  TBitmap b = Paper(12, 9);
  Fill(b, 2, 2, 8, 6, kInk);
  Fill(b, 5, 4, 8, 4, kPaper);
  const std::vector<TPoint> plain = _MakeMagicWandPoints(b, 2, 2, false, 0);
  EXPECT_GT(plain.size(), 8u);
  EXPECT_FALSE(Inside(plain, 6, 4));
  EXPECT_EQ(_MakeMagicWandPoints(b, 2, 2, true, 0), RectangleVertices(2, 2, 9, 7));
}

TEST(MagicWand, CoarseGridStillEnclosesTheRegionWithinItsBox) {
  TBitmap b = Paper(9, 5);
  // 9 x 5 needs 40 x 24 cells; half that detail fits in 24 x 16.
  EXPECT_EQ(_MakeMagicWandPoints(b, 4, 2, false, 0, 24 * 16), RectangleVertices(0, 0, 9, 5));
  EXPECT_TRUE(_MakeMagicWandPoints(b, 4, 2, false, 0, 63).empty());

  std::mt19937 random(7);
  TBitmap blobs = Paper(40, 30);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x)
      if (random() % 100 < 55) blobs.SetPixel(x, y, kInk);
  for (int64_t limit : {int64_t(4000), int64_t(1000), int64_t(300)}) {
    const std::vector<TPoint> poly = _MakeMagicWandPoints(blobs, 0, 0, false, 0, limit);
    const TMask region = Region(blobs, 0, 0, 0);
    ExpectEncloses(poly, region, false, "limit " + std::to_string(limit));
    for (TPoint p : poly) {
      EXPECT_TRUE(p.X >= 0 && p.X <= 40 && p.Y >= 0 && p.Y <= 30) << p.X << "," << p.Y;
    }
  }
}

TEST(MagicWand, PolygonHoldsTheRegionAndNothingOutsideItsOuterBorder) {
  std::mt19937 random(2024);
  for (int round = 0; round < 200; ++round) {
    const int32_t w = 6 + int32_t(random() % 40), h = 6 + int32_t(random() % 30);
    const int colours = 2 + int(random() % 2), density = 35 + int(random() % 35);
    TBitmap b(w, h, pf24bit);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const int pick = int(random() % 100) < density ? 0 : 1 + int(random() % uint32_t(colours - 1));
        b.SetPixel(x, y, CreateRGB(uint8_t(60 * pick + random() % 8), uint8_t(200 - 50 * pick), 30));
      }
    const int32_t x = int32_t(random() % uint32_t(w)), y = int32_t(random() % uint32_t(h));
    const int tolerance = int(random() % 12);
    const std::string label = "round " + std::to_string(round);
    const TMask region = Region(b, x, y, tolerance);
    ExpectEncloses(_MakeMagicWandPoints(b, x, y, false, tolerance), region, true, label);
    ExpectEncloses(_MakeMagicWandPoints(b, x, y, true, tolerance), Grown(region), true, label + " filtered");
  }
}

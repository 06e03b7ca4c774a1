// The selection tools' rectangle, distance and snapping helpers.
#include "imaging/core/geometry.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kx;

TEST(Geometry, InRectIncludesTheEdgesAndInRectOOrdersTheCorners) {
  struct Case {
    int32_t x, y, x1, y1, x2, y2;
    bool in, inOrdered;
  };
  const Case cases[] = {
      {5, 5, 0, 0, 10, 10, true, true},    {0, 10, 0, 0, 10, 10, true, true},   {11, 5, 0, 0, 10, 10, false, false},
      {5, -1, 0, 0, 10, 10, false, false}, {5, 5, 10, 10, 0, 0, false, true},   {10, 0, 10, 0, 0, 10, false, true},
      {5, 5, 10, 0, 0, 10, false, true},   {11, 5, 10, 10, 0, 0, false, false}, {3, 3, 3, 3, 3, 3, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(_InRect(c.x, c.y, c.x1, c.y1, c.x2, c.y2), c.in) << c.x << "," << c.y << " " << c.x1 << "," << c.y1;
    EXPECT_EQ(_InRectO(c.x, c.y, c.x1, c.y1, c.x2, c.y2), c.inOrdered) << c.x << "," << c.y << " " << c.x1;
  }
}

TEST(Geometry, Distances) {
  EXPECT_DOUBLE_EQ(_DistPoint2Point(1, 2, 4, 6), 5.0);
  EXPECT_DOUBLE_EQ(_DistPoint2Point(INT32_MIN, 0, INT32_MAX, 0), 4294967295.0);
  // The line through (0, 0) and (4, 3) is 5 long; (3, -4) is perpendicular to it at distance 5.
  EXPECT_DOUBLE_EQ(_DistPoint2Line(3, -4, 0, 0, 4, 3), 5.0);
  EXPECT_DOUBLE_EQ(_DistPoint2Line(8, 6, 0, 0, 4, 3), 0.0);
  EXPECT_DOUBLE_EQ(_DistPoint2Line(3, 4, 1, 1, 1, 1), std::hypot(2, 3));
  struct Case {
    int32_t x, y;
    double dist;
  };
  // The segment from (0, 0) to (10, 0): beyond either end the nearer end counts.
  for (Case c : {Case{5, 3, 3.0}, Case{0, -2, 2.0}, Case{13, 4, 5.0}, Case{-3, -4, 5.0}, Case{10, 7, 7.0}}) {
    EXPECT_DOUBLE_EQ(_DistPoint2Seg(c.x, c.y, 0, 0, 10, 0), c.dist) << c.x << "," << c.y;
  }
  EXPECT_DOUBLE_EQ(_DistPoint2Seg(4, 5, 1, 1, 1, 1), 5.0);
}

TEST(Geometry, CastPolySelSnapsToAxesAndDiagonals) {
  struct Case {
    int32_t x2, y2, wantX, wantY;
  };
  // From (100, 100).
  const Case cases[] = {
      {110, 150, 100, 150},                    // far more vertical: straight down
      {160, 95, 160, 100},                     // far more horizontal
      {120, 140, 140, 140},                    // close to diagonal: the shorter side grows
      {80, 130, 70, 130},                      // keeps the quadrant
      {130, 80, 130, 70},   {75, 75, 75, 75},  // already diagonal
      {100, 110, 110, 110},                    // dx 0 within 30: lengthened to the right
      {131, 100, 131, 100},                    // dx exactly 31 over dy 0: horizontal
      {130, 100, 130, 130},                    // dx 30: not more than dy + 30, so diagonal
  };
  for (const Case& c : cases) {
    int32_t x = c.x2, y = c.y2;
    _CastPolySelCC(100, 100, x, y);
    EXPECT_EQ(x, c.wantX) << c.x2 << "," << c.y2;
    EXPECT_EQ(y, c.wantY) << c.x2 << "," << c.y2;
  }
}

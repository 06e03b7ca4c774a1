// The label texts: the general number form and the hexadecimal one.
#include "imaging/widgets/ruler_labels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kx;

TEST(RulerLabels, GeneralNumberForm) {
  struct TCase {
    double Value;
    const char* Text;
  };
  const TCase cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {40, "40"},
      {-120, "-120"},
      {0.5, "0.5"},
      {0.1 + 0.2, "0.3"},  // 15 digits hide the binary rest
      {39.99999999999999, "40"},
      {-0.00125, "-0.00125"},
      {0.00001, "0.00001"},
      {0.000001, "1E-006"},
      {123456789012345, "123456789012345"},
      {1234567890123456, "1.23456789012346E+015"},
      {1e20, "1E+020"},
      {-2.5e300, "-2.5E+300"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {std::nan(""), "NAN"},
  };
  for (const TCase& c : cases) EXPECT_EQ(KXFloatToStrGeneral(c.Value, 15, 3), c.Text) << c.Value;
  EXPECT_EQ(KXFloatToStrGeneral(1e20, 15, 0), "1E+20");
  EXPECT_EQ(KXFloatToStrGeneral(2.0 / 3, 3, 3), "0.667");
}

TEST(RulerLabels, Hexadecimal) {
  struct TCase {
    double Value;
    const char* Text;
  };
  const TCase cases[] = {
      {0, "0"}, {255, "FF"}, {255.9, "FF"}, {-16.5, "-10"}, {-0.5, "-0"}, {4096, "1000"}, {1e30, "7FFFFFFFFFFFFFFF"}};
  for (const TCase& c : cases) EXPECT_EQ(KXHexLabel(c.Value), c.Text) << c.Value;
}

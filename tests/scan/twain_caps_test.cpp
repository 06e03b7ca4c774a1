// Capability containers: every container type with right and wrong item types, indices and
// counts that do not fit, and the fixed-point conversion in both directions.
#include "imaging/scan/twain_caps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/support/scripted_twain.h"

namespace {

using namespace kx;
using kxtest::Fix32Field;
using kxtest::TCapAnswer;

struct TContainerCase {
  const char* name;
  TCapAnswer answer;
  bool realOk;  // parsed into a real list
  bool intOk;   // parsed into an integer list
  std::vector<double> items;
  double current;
  double rangeMin, rangeMax, rangeStep;
};

std::vector<TContainerCase> Cases() {
  const TW_UINT32 f100 = Fix32Field(100), f200 = Fix32Field(200), f1_5 = Fix32Field(1.5), f50 = Fix32Field(50);
  return {
      {"one FIX32", TCapAnswer::OneValue(TWTY_FIX32, f1_5), true, false, {1.5}, 1.5, 0, 0, 0},
      {"one UINT16", TCapAnswer::OneValue(TWTY_UINT16, 2), false, true, {2}, 2, 0, 0, 0},
      {"one BOOL", TCapAnswer::OneValue(TWTY_BOOL, 1), false, true, {1}, 1, 0, 0, 0},
      {"one INT16 negative", TCapAnswer::OneValue(TWTY_INT16, 0xFFFF), false, true, {-1}, -1, 0, 0, 0},
      {"one STR32", TCapAnswer::OneValue(TWTY_STR32, 0), false, false, {}, 0, 0, 0, 0},
      {"enum FIX32", TCapAnswer::Enumeration(TWTY_FIX32, {f100, f200}, 1), true, false, {100, 200}, 200, 0, 0, 0},
      {"enum UINT16", TCapAnswer::Enumeration(TWTY_UINT16, {0, 1, 2}, 2), false, true, {0, 1, 2}, 2, 0, 0, 0},
      {"enum UINT32", TCapAnswer::Enumeration(TWTY_UINT32, {5, 70000}, 0), false, true, {5, 70000}, 5, 0, 0, 0},
      {"enum UINT8", TCapAnswer::Enumeration(TWTY_UINT8, {3, 4}, 1), false, true, {3, 4}, 4, 0, 0, 0},
      {"enum index = count", TCapAnswer::Enumeration(TWTY_UINT16, {0, 1}, 2), false, false, {}, 0, 0, 0, 0},
      {"enum index far out", TCapAnswer::Enumeration(TWTY_FIX32, {f100}, 0xFFFFFFFF), false, false, {}, 0, 0, 0, 0},
      {"empty enum", TCapAnswer::Enumeration(TWTY_UINT16, {}, 0), false, false, {}, 0, 0, 0, 0},
      {"array FIX32", TCapAnswer::Array(TWTY_FIX32, {f50, f100}), true, false, {50, 100}, 0, 0, 0, 0},
      {"array UINT16", TCapAnswer::Array(TWTY_UINT16, {0, 2}), false, true, {0, 2}, 0, 0, 0, 0},
      {"range FIX32", TCapAnswer::Range(TWTY_FIX32, f50, f200, f50, f100, f100), true, false, {}, 100, 50, 200, 50},
      {"range UINT32", TCapAnswer::Range(TWTY_UINT32, 1, 70000, 2, 1, 9), false, true, {}, 9, 1, 70000, 2},
      {"range FRAME", TCapAnswer::Range(TWTY_FRAME, 1, 2, 3, 4, 5), false, false, {}, 0, 0, 0, 0},
      {"unknown container", TCapAnswer{7, TCapAnswer::OneValue(TWTY_UINT16, 1).Bytes}, false, false, {}, 0, 0, 0, 0},
  };
}

template <typename List>
void ExpectParsed(const TContainerCase& c, bool ok, const List& list) {
  if (!ok) {
    // A refused container leaves the list as it was.
    ASSERT_EQ(list.Count(), 1) << c.name;
    EXPECT_EQ(list.GetItem(0), 42) << c.name;
    return;
  }
  ASSERT_EQ(list.Count(), int32_t(c.items.size())) << c.name;
  for (size_t i = 0; i < c.items.size(); ++i) EXPECT_EQ(double(list.GetItem(int32_t(i))), c.items[i]) << c.name;
  EXPECT_EQ(double(list.CurrentValue()), c.current) << c.name;
  EXPECT_EQ(double(list.RangeMin()), c.rangeMin) << c.name;
  EXPECT_EQ(double(list.RangeMax()), c.rangeMax) << c.name;
  EXPECT_EQ(double(list.RangeStep()), c.rangeStep) << c.name;
}

TEST(TwainContainers, ReadByTypeWithTheItemTypeChecked) {
  for (const TContainerCase& c : Cases()) {
    TKXDoubleList reals;
    reals.Add(42);
    TKXIntegerList integers;
    integers.Add(42);
    const std::vector<uint8_t>& b = c.answer.Bytes;
    EXPECT_EQ(KXTWParseContainer(c.answer.ConType, b.data(), b.size(), reals), c.realOk) << c.name;
    EXPECT_EQ(KXTWParseContainer(c.answer.ConType, b.data(), b.size(), integers), c.intOk) << c.name;
    ExpectParsed(c, c.realOk, reals);
    ExpectParsed(c, c.intOk, integers);
  }
}

TEST(TwainContainers, ItemCountsBeyondTheBlockAreRefused) {
  const TCapAnswer answers[] = {TCapAnswer::Enumeration(TWTY_UINT16, {1, 2, 3}, 0),
                                TCapAnswer::Array(TWTY_FIX32, {Fix32Field(1), Fix32Field(2)}),
                                TCapAnswer::OneValue(TWTY_UINT16, 1), TCapAnswer::Range(TWTY_UINT16, 1, 2, 1, 1, 1)};
  for (const TCapAnswer& answer : answers) {
    TKXIntegerList integers;
    TKXDoubleList reals;
    // Every block cut short by one byte, and an enumeration claiming more items than it holds.
    const std::vector<uint8_t> shortBlock(answer.Bytes.begin(), answer.Bytes.end() - 1);
    EXPECT_FALSE(KXTWParseContainer(answer.ConType, shortBlock.data(), shortBlock.size(), integers));
    EXPECT_FALSE(KXTWParseContainer(answer.ConType, shortBlock.data(), shortBlock.size(), reals));
  }
  TCapAnswer lying = TCapAnswer::Enumeration(TWTY_UINT16, {1, 2}, 0);
  const TW_UINT32 huge = 0x40000000;
  std::memcpy(lying.Bytes.data() + offsetof(TW_ENUMERATION, NumItems), &huge, 4);
  TKXIntegerList integers;
  EXPECT_FALSE(KXTWParseContainer(lying.ConType, lying.Bytes.data(), lying.Bytes.size(), integers));
  EXPECT_FALSE(KXTWParseContainer(TWON_ONEVALUE, nullptr, 0, integers));
}

TEST(TwainFix32, TruncatesPlusAHalfAndReadsBack) {
  struct {
    double value;
    int16_t whole;
    uint16_t frac;
  } cases[] = {
      {0, 0, 0},
      {1.5, 1, 0x8000},
      {300, 300, 0},
      {2.2, 2, 13107},            // 0.2 x 65536 = 13107.2 -> 13107
      {0.00001, 0, 1},            // 0.65536 + 0.5 truncates to 1
      {0.000007, 0, 0},           // 0.4587 + 0.5 truncates to 0
      {1.0 / 131072, 0, 1},       // exactly half a unit rounds up
      {65535.99999, -1, 0xFFFF},  // the largest whole the field holds
      {std::nan(""), 0, 0},       // not a number is sent as 0
  };
  for (const auto& c : cases) {
    const TW_FIX32 f = KXTWToFix32(c.value);
    EXPECT_EQ(f.Whole, c.whole) << c.value;
    EXPECT_EQ(f.Frac, c.frac) << c.value;
    TW_UINT32 field;
    std::memcpy(&field, &f, 4);
    if (std::isfinite(c.value)) {
      EXPECT_EQ(field, Fix32Field(c.value)) << c.value;
    }
  }
  EXPECT_EQ(KXTWFromFix32(TW_FIX32{1, 0x8000}), 1.5);
  EXPECT_EQ(KXTWFromFix32(TW_FIX32{2, 13107}), 2 + 13107 / 65536.0);
  // The whole part is read unsigned, as the resolutions and sizes this program reads are.
  EXPECT_EQ(KXTWFromFix32(TW_FIX32{-1, 0}), 65535.0);
  for (double x : {0.0, 0.25, 1.5, 72.0, 299.99, 1200.0, 4.25}) {
    EXPECT_NEAR(KXTWFromFix32(KXTWToFix32(x)), x, 1.0 / 65536) << x;
  }
}

}  // namespace

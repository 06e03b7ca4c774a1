// The typed lists, the key set, the byte array, the counting stream and counted strings.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "imaging/core/byte_array.h"
#include "imaging/core/hash1.h"
#include "imaging/core/kxlist.h"
#include "imaging/core/nul_stream.h"
#include "imaging/core/stream.h"
#include "imaging/core/string_stream.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

std::vector<int32_t> Items(const TKXIntegerList& list) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < list.Count(); ++i) out.push_back(list[i]);
  return out;
}

TKXIntegerList Filled(std::vector<int32_t> items) {
  TKXIntegerList list;
  for (int32_t v : items) list.Add(v);
  list.Changed.Clear();
  return list;
}

}  // namespace

TEST(KXList, OperationsOnItems) {
  struct Case {
    const char* name;
    std::function<void(TKXIntegerList&)> op;
    std::vector<int32_t> items;
    bool itemsChanged;
  };
  const Case cases[] = {
      {"Add appends", [](TKXIntegerList& l) { EXPECT_EQ(l.Add(40), 3); }, {10, 20, 30, 40}, true},
      {"Insert at Count appends", [](TKXIntegerList& l) { l.Insert(3, 40); }, {10, 20, 30, 40}, true},
      {"Insert past Count appends", [](TKXIntegerList& l) { l.Insert(99, 40); }, {10, 20, 30, 40}, true},
      {"Insert at 0", [](TKXIntegerList& l) { l.Insert(0, 5); }, {5, 10, 20, 30}, true},
      {"Insert before 1", [](TKXIntegerList& l) { l.Insert(1, 15); }, {10, 15, 20, 30}, true},
      {"Delete 1", [](TKXIntegerList& l) { l.Delete(1); }, {10, 30}, true},
      {"Delete last", [](TKXIntegerList& l) { l.Delete(2); }, {10, 20}, true},
      {"Delete(-1) ignored", [](TKXIntegerList& l) { l.Delete(-1); }, {10, 20, 30}, false},
      {"Delete(Count) ignored", [](TKXIntegerList& l) { l.Delete(3); }, {10, 20, 30}, false},
      {"SetItem", [](TKXIntegerList& l) { l.SetItem(2, 33); }, {10, 20, 33}, true},
      {"SetItem(-1) ignored", [](TKXIntegerList& l) { l.SetItem(-1, 7); }, {10, 20, 30}, false},
      {"SetItem(Count) ignored", [](TKXIntegerList& l) { l.SetItem(3, 7); }, {10, 20, 30}, false},
      {"SetCount grows with zeros", [](TKXIntegerList& l) { l.SetCount(5); }, {10, 20, 30, 0, 0}, true},
      {"SetCount shrinks", [](TKXIntegerList& l) { l.SetCount(1); }, {10}, true},
      {"SetCount negative empties", [](TKXIntegerList& l) { l.SetCount(-4); }, {}, true},
      {"Clear empties Changed too", [](TKXIntegerList& l) { l.Clear(); }, {}, false},
  };
  for (const Case& c : cases) {
    TKXIntegerList list = Filled({10, 20, 30});
    c.op(list);
    EXPECT_EQ(Items(list), c.items) << c.name;
    EXPECT_EQ(list.Count(), int32_t(c.items.size())) << c.name;
    EXPECT_EQ(list.Changed.Contains(kxlItems), c.itemsChanged) << c.name;
    EXPECT_FALSE(list.Changed.Contains(kxlRange)) << c.name;
  }
}

TEST(KXList, ReadingOutsideTheListGivesNothing) {
  TKXIntegerList list = Filled({10, 20});
  EXPECT_EQ(list.BaseGetItem(-1), nullptr);
  EXPECT_EQ(list.BaseGetItem(2), nullptr);
  EXPECT_EQ(list.GetItem(2), 0);
  EXPECT_EQ(list.IndexOf(20), 1);
  EXPECT_EQ(list.IndexOf(25), -1);
}

TEST(KXList, RangeAndCurrentValueRecordTheirOwnChange) {
  TKXDoubleList list;
  EXPECT_EQ(list.ItemSize(), 8);
  list.SetRangeMin(1);
  EXPECT_TRUE(list.Changed.Contains(kxlRange));
  EXPECT_FALSE(list.Changed.Contains(kxlCurrentValue));
  list.Changed.Clear();
  list.SetCurrentValue(2.5);
  EXPECT_TRUE(list.Changed.Contains(kxlCurrentValue));
  EXPECT_FALSE(list.Changed.Contains(kxlRange));
  EXPECT_FALSE(list.Changed.Contains(kxlItems));
  list.SetRangeMax(9);
  list.SetRangeStep(0.5);
  list.Add(3);
  list.Clear();
  EXPECT_TRUE(list.Changed.Empty());
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.RangeMin(), 0);
  EXPECT_EQ(list.RangeMax(), 0);
  EXPECT_EQ(list.RangeStep(), 0);
  EXPECT_EQ(list.CurrentValue(), 0);
}

TEST(KXList, AssignCopiesItemsRangeAndChanged) {
  TKXDoubleList source;
  source.Add(75);
  source.Add(150);
  source.Add(300);
  source.SetRangeMin(50);
  source.SetRangeMax(600);
  source.SetRangeStep(25);
  source.SetCurrentValue(150);
  source.Changed.Clear();
  source.SetCurrentValue(300);

  TKXDoubleList target;
  target.Add(1);
  target.SetRangeMin(-1);
  target.Assign(source);
  EXPECT_EQ(target.Count(), 3);
  EXPECT_EQ(target[0], 75);
  EXPECT_EQ(target[2], 300);
  EXPECT_EQ(target.RangeMin(), 50);
  EXPECT_EQ(target.RangeMax(), 600);
  EXPECT_EQ(target.RangeStep(), 25);
  EXPECT_EQ(target.CurrentValue(), 300);
  EXPECT_EQ(target.Changed, source.Changed);
  // The copy is independent of its source.
  source.SetItem(0, 1);
  EXPECT_EQ(target[0], 75);
}

TEST(KXList, RecordsCompareByTheirBytes) {
  struct TRec {
    int32_t a;
    int32_t b;
    double c;
  };
  TKXRecordList list(int32_t(sizeof(TRec)));
  const TRec r1{1, 2, 3.0}, r2{4, 5, 6.0};
  list.AddItem(&r1);
  list.AddItem(&r2);
  list.Clear();
  EXPECT_EQ(list.ItemSize(), int32_t(sizeof(TRec)));
  list.AddItem(&r1);
  list.InsertItem(0, &r2);
  EXPECT_EQ(list.IndexOfItem(&r1), 1);
  EXPECT_EQ(std::memcmp(list.BaseGetItem(0), &r2, sizeof(TRec)), 0);
  TKXRecordList copy(4);
  copy.Assign(list);
  EXPECT_EQ(copy.ItemSize(), int32_t(sizeof(TRec)));
  EXPECT_EQ(copy.IndexOfItem(&r2), 0);
}

TEST(Hash1, InsertsEachKeyOnce) {
  THash1 set(4);
  for (int32_t key : {5, 21, 0, -1, INT32_MIN, INT32_MAX, 37}) EXPECT_TRUE(set.Insert(key)) << key;
  for (int32_t key : {5, 21, 0, -1, INT32_MIN, INT32_MAX, 37}) EXPECT_FALSE(set.Insert(key)) << key;
  EXPECT_EQ(set.Count(), 7);
  EXPECT_TRUE(set.KeyPresent(21));
  EXPECT_TRUE(set.KeyPresent(0));
  EXPECT_FALSE(set.KeyPresent(6));
  EXPECT_FALSE(set.KeyPresent(1));
}

TEST(Hash1, KeepsEveryKeyAcrossGrowth) {
  THash1 set(4);
  std::set<int32_t> reference;
  uint32_t state = 12345;
  for (int i = 0; i < 20000; ++i) {
    state = state * 1103515245u + 12345u;
    const int32_t key = int32_t(state >> 8) & 0xFFFF;  // many repeats
    EXPECT_EQ(set.Insert(key), reference.insert(key).second);
  }
  EXPECT_EQ(set.Count(), int64_t(reference.size()));
  for (int32_t key = 0; key < 0x10000; key += 7) EXPECT_EQ(set.KeyPresent(key), reference.count(key) == 1) << key;
}

TEST(Hash1, CountsThePictureColoursAsImageMagickDoes) {
  const TBitmap picture = kxtest::MakePicture(160, 120, 3);
  THash1 colours(13);
  for (int32_t y = 0; y < picture.Height(); ++y) {
    const uint8_t* p = picture.ScanLine(y);
    for (int32_t x = 0; x < picture.Width(); ++x, p += 3) colours.Insert(p[0] | p[1] << 8 | p[2] << 16);
  }
  if (!kxtest::Have("/usr/bin/convert")) GTEST_SKIP() << "no ImageMagick";
  const std::string path = kxtest::TempPath(".ppm");
  kxtest::WritePPM(path, picture);
  std::string out;
  ASSERT_EQ(kxtest::Run("/usr/bin/convert " + kxtest::Quote(path) + " -format %k info:", &out), 0);
  EXPECT_GT(colours.Count(), 1000);
  EXPECT_EQ(colours.Count(), std::stoll(out));
}

TEST(ByteArray, GrowsAndShrinksItsRoomInBlocks) {
  TKXByteArray a;
  EXPECT_EQ(a.Size(), 0);
  EXPECT_EQ(a.Capacity(), 4096);
  struct Step {
    int64_t size;
    int64_t capacity;
  };
  // Within the room only the size moves; past it, or a block below it, the room is size + 4096.
  for (Step s : {Step{4096, 4096}, Step{4097, 8193}, Step{4200, 8193}, Step{4097, 8193}, Step{4096, 8192},
                 Step{100, 4196}, Step{0, 4096}, Step{-5, 4096}}) {
    a.SetSize(s.size);
    EXPECT_EQ(a.Size(), std::max<int64_t>(s.size, 0)) << s.size;
    EXPECT_EQ(a.Capacity(), s.capacity) << s.size;
  }
}

TEST(ByteArray, KeepsContentsAndZeroesNewBytes) {
  TKXByteArray a;
  for (int i = 0; i < 5000; ++i) a.AddByte(uint8_t(i * 7));
  ASSERT_EQ(a.Size(), 5000);
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(a.Data()[i], uint8_t(i * 7)) << i;
  a.SetSize(3);
  a.SetSize(6);
  EXPECT_EQ(std::vector<uint8_t>(a.Data(), a.Data() + 6), (std::vector<uint8_t>{0, 7, 14, 0, 0, 0}));
  a.Clear();
  EXPECT_EQ(a.Size(), 0);
  EXPECT_EQ(a.Capacity(), 4096);
}

TEST(ByteArray, AppendsWhatTheStreamHolds) {
  TMemoryStream stream(std::vector<uint8_t>{1, 2, 3, 4, 5});
  TKXByteArray a;
  a.AddByte(9);
  EXPECT_EQ(a.AppendFromStream(stream, 3), 3);
  EXPECT_EQ(a.AppendFromStream(stream, int64_t(1) << 40), 2);
  EXPECT_EQ(a.AppendFromStream(stream, 4), 0);
  EXPECT_EQ(a.AppendFromStream(stream, -1), 0);
  EXPECT_EQ(std::vector<uint8_t>(a.Data(), a.Data() + a.Size()), (std::vector<uint8_t>{9, 1, 2, 3, 4, 5}));
}

TEST(NulStream, CountsWithoutStoring) {
  TNulStream s;
  uint8_t buffer[100] = {42};
  EXPECT_EQ(s.Write(buffer, 100), 100);
  EXPECT_EQ(s.Seek(10, soBeginning), 10);
  EXPECT_EQ(s.Write(buffer, 5), 5);
  EXPECT_EQ(s.Size(), 100);
  EXPECT_EQ(s.Position(), 15);
  EXPECT_EQ(s.Read(buffer, 20), 20);
  EXPECT_EQ(buffer[0], 42);
  EXPECT_EQ(s.Position(), 35);
  EXPECT_EQ(s.Seek(80, soCurrent), 115);
  EXPECT_EQ(s.Size(), 115);
  EXPECT_EQ(s.Write(buffer, -3), 0);
  EXPECT_EQ(s.Position(), 115);
}

TEST(NulStream, SeeksFromTheEndLikeEveryStream) {
  TNulStream nul;
  TMemoryStream memory;
  const std::vector<uint8_t> bytes(100, 1);
  nul.WriteBuffer(bytes.data(), 100);
  memory.WriteBuffer(bytes.data(), 100);
  for (int64_t offset : {int64_t(0), int64_t(-30), int64_t(-500)}) {
    EXPECT_EQ(nul.Seek(offset, soEnd), memory.Seek(offset, soEnd)) << offset;
  }
  EXPECT_EQ(nul.Seek(-500, soCurrent), 0);
  EXPECT_EQ(nul.Remaining(), 100);
  nul.Seek(90, soBeginning);
  nul.SetSize(40);
  EXPECT_EQ(nul.Size(), 40);
  EXPECT_EQ(nul.Position(), 40);
}

TEST(StringStream, RoundTripsWithALittleEndianCount) {
  struct Case {
    std::string text;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"", {0, 0, 0, 0}},
      {"abc", {3, 0, 0, 0, 'a', 'b', 'c'}},
      {std::string("a\0b", 3), {3, 0, 0, 0, 'a', 0, 'b'}},
      {"\xCE\xA6", {2, 0, 0, 0, 0xCE, 0xA6}},
  };
  for (const Case& c : cases) {
    TMemoryStream stream;
    SaveStringToStream(stream, c.text);
    EXPECT_EQ(stream.Bytes(), c.bytes);
    stream.SetPosition(0);
    std::string back = "old";
    EXPECT_TRUE(LoadStringFromStream(stream, back));
    EXPECT_EQ(back, c.text);
    EXPECT_EQ(stream.Position(), int64_t(c.bytes.size()));
  }
  TMemoryStream big;
  const std::string text(300, 'x');
  SaveStringToStream(big, text);
  SaveStringToStream(big, "tail");
  EXPECT_EQ(std::vector<uint8_t>(big.Bytes().begin(), big.Bytes().begin() + 4), (std::vector<uint8_t>{44, 1, 0, 0}));
  big.SetPosition(0);
  std::string a, b;
  EXPECT_TRUE(LoadStringFromStream(big, a));
  EXPECT_TRUE(LoadStringFromStream(big, b));
  EXPECT_EQ(a, text);
  EXPECT_EQ(b, "tail");
}

TEST(StringStream, RejectsACountTheStreamCannotHold) {
  const std::vector<std::vector<uint8_t>> inputs = {
      {0xFF, 0xFF, 0xFF, 0xFF, 'a'},  // negative
      {4, 0, 0, 0, 'a', 'b', 'c'},    // one byte short
      {0, 0, 0, 0x7F},                // 2 GiB promised
      {2, 0},                         // the count itself is cut off
      {},
  };
  for (const auto& input : inputs) {
    TMemoryStream stream(input);
    std::string text = "old";
    EXPECT_FALSE(LoadStringFromStream(stream, text)) << input.size();
    EXPECT_EQ(text, "");
    EXPECT_EQ(stream.Position(), int64_t(input.size()));
  }
}

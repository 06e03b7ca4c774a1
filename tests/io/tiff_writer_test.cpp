// The TIFF writer and page editing on their own: the choices of photometric interpretation,
// compression and predictor, the directory's order and types, PackBits runs, strings that do
// not grow, insertion before any page, and refusals that leave the file as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/tiff_codec.h"
#include "imaging/io/tiff_ifd.h"
#include "imaging/io/tiff_packbits.h"
#include "tests/io/tiff_test_files.h"
#include "tests/support/test_support.h"

using namespace kx;
using namespace kxtest;

namespace {

TTiffIfd FirstIfd(const std::vector<uint8_t>& bytes) {
  TMemoryStream stream(bytes);
  TTiffInput in(stream);
  TTiffIfd ifd;
  EXPECT_TRUE(in.ReadIfd(in.FirstIfd(), ifd));
  return ifd;
}

TEST(TiffWriter, PackBitsRepeatsRunsOfFourAndMoreAndKeepsShorterOnesLiteral) {
  struct TCase {
    std::vector<uint8_t> Row, Coded;
  };
  std::vector<uint8_t> run130(130, 7), three = {5, 5, 5, 9};
  std::vector<uint8_t> coded130 = {uint8_t(1 - 128), 7, 1, 7, 7};
  const TCase cases[] = {
      {run130, coded130},
      {three, {3, 5, 5, 5, 9}},
      {{1, 2, 2, 2, 2, 3}, {0, 1, uint8_t(1 - 4), 2, 0, 3}},
  };
  for (const TCase& c : cases) {
    std::vector<uint8_t> out;
    PackBitsEncodeRow(c.Row.data(), int32_t(c.Row.size()), out);
    EXPECT_EQ(out, c.Coded);
    std::vector<uint8_t> back(c.Row.size());
    EXPECT_TRUE(PackBitsDecode(out, back));
    EXPECT_EQ(back, c.Row);
  }
  // 200 literals go out as one of 128 and one of 72.
  std::vector<uint8_t> literals(200);
  for (size_t i = 0; i < literals.size(); ++i) literals[i] = uint8_t(i);
  std::vector<uint8_t> out;
  PackBitsEncodeRow(literals.data(), 200, out);
  ASSERT_EQ(out.size(), 202u);
  EXPECT_EQ(out[0], 127);
  EXPECT_EQ(out[129], 71);
}

// Rows of runs of every length around the thresholds (3, 4, 128, 129), at the row's start, middle
// and end and around 16-byte steps, coded as the rule says when each position is tried in turn.
TEST(TiffWriter, PackBitsCodesEveryRunAsTheRuleSays) {
  auto rule = [](const std::vector<uint8_t>& row) {
    std::vector<uint8_t> out;
    size_t literal = 0, i = 0;
    auto flush = [&](size_t end) {
      for (; literal < end; literal += std::min<size_t>(end - literal, 128)) {
        const size_t n = std::min<size_t>(end - literal, 128);
        out.push_back(uint8_t(n - 1));
        out.insert(out.end(), row.begin() + ptrdiff_t(literal), row.begin() + ptrdiff_t(literal + n));
      }
    };
    while (i < row.size()) {
      size_t run = 1;
      while (i + run < row.size() && run < 128 && row[i + run] == row[i]) ++run;
      if (run >= 4) {
        flush(i);
        out.push_back(uint8_t(1 - int(run)));
        out.push_back(row[i]);
        literal = i + run;
      }
      i += run;
    }
    flush(row.size());
    return out;
  };
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
  const int lengths[] = {1, 2, 3, 4, 5, 15, 16, 17, 127, 128, 129, 130, 300};
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> row;
    const size_t target = 1 + next() % 700;
    while (row.size() < target) {
      const int run = lengths[next() % std::size(lengths)];
      const uint8_t value = uint8_t(next() % 3 ? next() : 0);
      row.insert(row.end(), size_t(run), value);
    }
    std::vector<uint8_t> coded = {0xAA};  // what the row is appended to stays
    PackBitsEncodeRow(row.data(), int32_t(row.size()), coded);
    std::vector<uint8_t> expected = rule(row);
    expected.insert(expected.begin(), 0xAA);
    ASSERT_EQ(coded, expected) << "round " << round;
  }
}

TEST(TiffWriter, PackBitsRunsPastTheRowAreCut) {
  const std::vector<uint8_t> coded = {uint8_t(-100), 4, 2, 1, 2};
  std::vector<uint8_t> out(10, 0);
  EXPECT_TRUE(PackBitsDecode(coded, out));
  EXPECT_EQ(out, std::vector<uint8_t>(10, 4));
  std::vector<uint8_t> longer(104);
  EXPECT_FALSE(PackBitsDecode(coded, longer));  // the literal of three lacks its last byte
}

// A strip read in two parts, split at every place, gives what one decode of it gives: runs and
// literals that cross the split go on in the second part, a no-op code changes nothing, and a
// literal cut by the end of the data still gives its bytes and reports the end.
TEST(TiffWriter, PackBitsReadInPartsEqualsOneDecode) {
  const std::vector<std::vector<uint8_t>> streams = {
      {uint8_t(-5), 7, 3, 1, 2, 3, 4, uint8_t(-128), uint8_t(-2), 9, 0, 5},
      {2, 10, 11, 12, uint8_t(-3), 6},
      {uint8_t(-3), 6, 4, 1, 2},
  };
  for (const std::vector<uint8_t>& coded : streams)
    for (size_t total : {size_t(6), size_t(13), size_t(20)}) {
      std::vector<uint8_t> whole(total, 0xEE);
      const bool wholeOk = PackBitsDecode(coded, whole);
      for (size_t split = 0; split <= total; ++split) {
        SCOPED_TRACE(::testing::Message() << "stream of " << coded.size() << ", " << total << " bytes, split " << split);
        std::vector<uint8_t> parts(total, 0xEE);
        TPackBitsReader reader(coded);
        const bool first = reader.Read(std::span<uint8_t>(parts).first(split));
        const bool ok = first && reader.Read(std::span<uint8_t>(parts).subspan(split));
        EXPECT_EQ(ok, wholeOk);
        if (ok) {
          EXPECT_EQ(parts, whole);
        } else {
          // Both stop at the same byte: what was decoded matches, the rest stays as it was.
          EXPECT_TRUE(std::equal(parts.begin(), parts.begin() + ptrdiff_t(split), whole.begin()));
        }
      }
    }
}

TEST(TiffWriter, EntriesAreSortedByTagWithTheirStandardTypes) {
  TIOParamsVals params;
  params.TIFF_Compression = ioTIFF_PACKBITS;
  params.TIFF_PageName = "p";
  params.TIFF_PageNumber = 2;
  const TTiffIfd ifd = FirstIfd(WriteTiffBytes(MakePicture(5, 4), params));
  for (size_t i = 1; i < ifd.Entries.size(); ++i) EXPECT_LT(ifd.Entries[i - 1].Tag, ifd.Entries[i].Tag);
  ASSERT_NE(ifd.Find(ttBitsPerSample), nullptr);
  EXPECT_EQ(ifd.Find(ttBitsPerSample)->Type, tyShort);
  EXPECT_EQ(ifd.Find(ttBitsPerSample)->Count, 3u);
  EXPECT_EQ(ifd.Find(ttPageNumber)->Type, tyShort);
  EXPECT_EQ(ifd.Find(ttSamplesPerPixel)->Type, tyShort);
}

// What each request becomes: compression, photometric interpretation, predictor.
TEST(TiffWriter, RequestsBecomeThePagesTheFormatAllows) {
  struct TCase {
    const char* Name;
    bool Bilevel;
    bool TwoColours;  // a 24-bit picture of two colours, written bilevel
    TIOTIFFCompression Compression;
    TIOTIFFPhotometInterpret Photometric;
    TIOTIFFCompression ReadCompression;
    TIOTIFFPhotometInterpret ReadPhotometric;
  };
  const TCase cases[] = {
      {"colour with a fax coding is uncompressed", false, false, ioTIFF_G3FAX1D, ioTIFF_RGB, ioTIFF_UNCOMPRESSED,
       ioTIFF_RGB},
      {"lzw without an encoder is uncompressed", false, false, ioTIFF_LZW, ioTIFF_RGB, ioTIFF_UNCOMPRESSED, ioTIFF_RGB},
      {"bilevel with the default photometric", true, false, ioTIFF_UNCOMPRESSED, ioTIFF_RGB, ioTIFF_UNCOMPRESSED,
       ioTIFF_BLACKISZERO},
      {"g4 of a two-colour picture", true, true, ioTIFF_G4FAX, ioTIFF_RGB, ioTIFF_G4FAX, ioTIFF_WHITEISZERO},
      {"cmyk", false, false, ioTIFF_PACKBITS, ioTIFF_CMYK, ioTIFF_PACKBITS, ioTIFF_CMYK},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TBitmap picture = c.Bilevel && !c.TwoColours ? TextPage(40, 9) : MakePicture(40, 9);
    if (c.TwoColours) {
      const TBitmap text = TextPage(40, 9);
      for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 40; ++x)
          picture.SetPixel(x, y, text.GetPixel(x, y) == TRGB{} ? TRGB{40, 30, 20} : TRGB{200, 220, 240});
    }
    TIOParamsVals params;
    params.BitsPerSample = c.Bilevel ? 1 : 8;
    params.SamplesPerPixel = c.Bilevel ? 1 : 3;
    params.TIFF_Compression = c.Compression;
    params.TIFF_Photometric = c.Photometric;
    const std::vector<uint8_t> bytes = WriteTiffBytes(picture, params);
    const TTiffRead r = ReadTiffBytes(bytes);
    ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    EXPECT_EQ(r.Params.TIFF_Compression, c.ReadCompression);
    EXPECT_EQ(r.Params.TIFF_Photometric, c.ReadPhotometric);
    EXPECT_EQ(FirstIfd(bytes).Find(ttPredictor), nullptr);
    if (c.TwoColours) {
      // The darker colour is black.
      for (int x = 0; x < 40; ++x)
        EXPECT_EQ(r.Bitmap.GetPixel(x, 4) == TRGB{}, picture.GetPixel(x, 4) == (TRGB{40, 30, 20})) << x;
    } else if (c.ReadPhotometric == ioTIFF_CMYK) {
      EXPECT_LE(Compare(r.Bitmap, picture).maxDelta, 2);
    } else {
      EXPECT_EQ(Compare(As24(r.Bitmap), As24(picture)).pixels, 0);
    }
  }
}

TEST(TiffWriter, StringsKeepTheirLengthOverRoundTrips) {
  TIOParamsVals params;
  params.TIFF_ImageDescription = "a description";
  params.TIFF_DocumentName = "abc";
  std::vector<uint8_t> bytes = WriteTiffBytes(MakePicture(3, 2), params);
  for (int round = 0; round < 3; ++round) {
    TTiffRead r = ReadTiffBytes(bytes);
    ASSERT_FALSE(r.Aborted);
    EXPECT_EQ(r.Params.TIFF_ImageDescription, "a description");
    EXPECT_EQ(r.Params.TIFF_DocumentName, "abc");
    EXPECT_EQ(FirstIfd(bytes).Find(ttDocumentName)->Count, 4u);
    bytes = WriteTiffBytes(r.Bitmap, r.Params);
  }
}

TEST(TiffWriter, PagesAreInsertedBeforeTheIndexOrLast) {
  TIOParamsVals params;
  const std::vector<uint8_t> one = WriteTiffBytes(Filled(3, 3, {1, 1, 1}), params);
  struct TCase {
    int32_t Index;
    int32_t NewPage;
  };
  for (const TCase c : {TCase{0, 0}, TCase{1, 1}, TCase{2, 2}, TCase{99, 2}}) {
    SCOPED_TRACE(c.Index);
    TMemoryStream stream(one);
    bool aborted = false;
    TProgressRec progress;
    progress.Aborting = &aborted;
    TBitmap second = Filled(4, 2, {2, 2, 2}), third = Filled(5, 1, {3, 3, 3});
    params.TIFF_ImageIndex = 99;
    ASSERT_EQ(TIFFWriteStream(stream, true, second, params, progress), 2);
    params.TIFF_ImageIndex = c.Index;
    stream.SetPosition(0);
    ASSERT_EQ(TIFFWriteStream(stream, true, third, params, progress), 3);
    ASSERT_FALSE(aborted);
    const int32_t widths[] = {3, 4};
    for (int32_t page = 0, old = 0; page < 3; ++page) {
      const TTiffRead r = ReadTiffBytes(stream.Bytes(), page);
      EXPECT_EQ(r.Bitmap.Width(), page == c.NewPage ? 5 : widths[old++]) << page;
    }
  }
}

TEST(TiffWriter, OnlyLittleEndianFilesTakeFurtherPagesAndRefusalsChangeNothing) {
  std::vector<uint8_t> big = {'M', 'M', 0, 42, 0, 0, 0, 0};
  for (const std::vector<uint8_t>& bytes : {big, std::vector<uint8_t>{'G', 'I', 'F', '8'}}) {
    TMemoryStream stream(bytes);
    bool aborted = false;
    TProgressRec progress;
    progress.Aborting = &aborted;
    TBitmap page = MakePicture(2, 2);
    TIOParamsVals params;
    EXPECT_EQ(TIFFWriteStream(stream, true, page, params, progress), 0);
    EXPECT_TRUE(aborted);
    EXPECT_EQ(stream.Bytes(), bytes);
  }
}

TEST(TiffWriter, DeletingKeepsByteOrderAndCountsThePagesThereWere) {
  TIOParamsVals params;
  TMemoryStream stream(WriteTiffBytes(Filled(3, 3, {1, 1, 1}), params));
  bool aborted = false;
  TProgressRec progress;
  progress.Aborting = &aborted;
  TBitmap second = Filled(4, 2, {2, 2, 2});
  params.TIFF_ImageIndex = 9;
  ASSERT_EQ(TIFFWriteStream(stream, true, second, params, progress), 2);
  stream.SetPosition(0);
  EXPECT_EQ(_DeleteTIFFImStream(stream, 5), 2);  // no such page: nothing changes
  stream.SetPosition(0);
  EXPECT_EQ(_DeleteTIFFImStream(stream, 0), 2);
  const TTiffRead r = ReadTiffBytes(stream.Bytes());
  EXPECT_EQ(r.Pages, 1);
  EXPECT_EQ(r.Bitmap.GetPixel(0, 0), (TRGB{2, 2, 2}));
  TMemoryStream notTiff(std::vector<uint8_t>{'B', 'M', 0, 0});
  EXPECT_EQ(_DeleteTIFFImStream(notTiff, 0), 0);
}

TEST(TiffWriter, ProgressRisesRowByRow) {
  TProgressLog log;
  TMemoryStream stream;
  bool aborted = false;
  TProgressRec progress;
  progress.Aborting = &aborted;
  progress.fOnProgress = TProgressEvent::Bind<&TProgressLog::Handler>(&log);
  TBitmap picture = MakePicture(4, 4);
  TIOParamsVals params;
  TIFFWriteStream(stream, false, picture, params, progress);
  EXPECT_EQ(log.values, (std::vector<int>{0, 25, 50, 75}));
}

}  // namespace

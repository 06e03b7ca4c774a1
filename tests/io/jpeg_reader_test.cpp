// Hostile and unusual JPEG input: the reason of every kind of stopped read, the warnings of a
// read that goes on, the scan and memory limits, an abort during the coefficient passes, and
// the EXIF orientation in both byte orders with every offset and count out of range.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/limits.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/jpeg_codec.h"
#include "tests/support/test_support.h"

using namespace kx;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Fixture(const std::string& name) {
  return kxtest::ReadFile(kxtest::SourceDir() + "/tests/fixtures/jpeg/" + name);
}

struct TRead {
  TBitmap bitmap;
  TIOParamsVals params;
  TKXDiagnostics diagnostics;
  std::vector<int> reports;
  bool aborted = false;
  int abortAtReport = 0;  // the handler sets the abort flag at this report (0: never)
  static void OnProgress(void* self, void*, int percent) {
    auto* r = static_cast<TRead*>(self);
    r->reports.push_back(percent);
    if (int(r->reports.size()) == r->abortAtReport) r->aborted = true;
  }
  void Run(const TBytes& bytes, bool preview = false) {
    TMemoryStream stream(bytes);
    TProgressRec progress;
    progress.fOnProgress = {&TRead::OnProgress, this};
    progress.Aborting = &aborted;
    progress.Diagnostics = &diagnostics;
    ReadJPegStream(stream, bitmap, params, preview, progress);
  }
};

struct TLimits {
  int64_t savedPixels = KXPixelLimit();
  int32_t savedScans = KXJpegScanLimit();
  TLimits(int64_t pixels, int32_t scans) {
    KXSetPixelLimit(pixels);
    KXSetJpegScanLimit(scans);
  }
  ~TLimits() {
    KXSetPixelLimit(savedPixels);
    KXSetJpegScanLimit(savedScans);
  }
};

// The position of the first marker `code` among the segments after SOI, or npos.
size_t FindMarker(const TBytes& b, uint8_t code) {
  size_t i = 2;
  while (i + 4 <= b.size() && b[i] == 0xFF) {
    if (b[i + 1] == code) return i;
    if (b[i + 1] == 0xDA) break;  // entropy-coded data follows
    i += 2 + (size_t(b[i + 2]) << 8 | b[i + 3]);
  }
  return std::string::npos;
}

TBytes WithSof(uint8_t code) {
  TBytes b = Fixture("cjpeg_420.jpg");
  b[FindMarker(b, 0xC0) + 1] = code;
  return b;
}

TBytes WithPrecision(uint8_t bits) {
  TBytes b = Fixture("cjpeg_420.jpg");
  b[FindMarker(b, 0xC0) + 4] = bits;
  return b;
}

// A progressive file whose last scan (a refinement) is there `copies` more times.
TBytes RepeatedScans(int copies) {
  TBytes b = Fixture("cjpeg_progressive.jpg");
  size_t last = 0;
  for (size_t i = 0; i + 1 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == 0xDA) last = i;
  const TBytes scan(b.begin() + ptrdiff_t(last), b.end() - 2);
  TBytes out(b.begin(), b.end() - 2);
  for (int i = 0; i < copies; ++i) out.insert(out.end(), scan.begin(), scan.end());
  out.insert(out.end(), {0xFF, 0xD9});
  return out;
}

// `jpeg` with an APP1 block holding `payload` right after SOI.
TBytes WithApp1(TBytes jpeg, const TBytes& payload) {
  const size_t length = payload.size() + 2;
  TBytes segment{0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length)};
  segment.insert(segment.end(), payload.begin(), payload.end());
  jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
  return jpeg;
}

TEST(JpegReasons, EachStoppedReadSaysWhy) {
  struct TCase {
    const char* name;
    std::function<TBytes()> bytes;
    int64_t pixelLimit;
    int32_t scanLimit;
    std::string reason;
  };
  const int64_t pixels = kDefaultPixelLimit;
  const TCase cases[] = {
      {"above the pixel limit", [] { return Fixture("cjpeg_420.jpg"); }, 5916, 1000,
       "97 x 61 pixels is above the limit of 5916"},
      {"12-bit", [] { return WithPrecision(12); }, pixels, 1000, "12-bit JPEG is not supported"},
      {"lossless", [] { return WithSof(0xC3); }, pixels, 1000, "lossless JPEG is not supported"},
      {"hierarchical", [] { return WithSof(0xC5); }, pixels, 1000, "hierarchical JPEG is not supported"},
      {"hierarchical progressive", [] { return WithSof(0xCE); }, pixels, 1000, "hierarchical JPEG is not supported"},
      {"too many scans", [] { return RepeatedScans(30); }, pixels, 20, "too many scans: more than 20"},
      {"padding beyond the memory cap", [] { return Fixture("narrow_progressive.jpg"); }, 65500, 1000, "out of memory"},
      {"libjpeg's own message", [] { return WithPrecision(7); }, pixels, 1000, "Unsupported JPEG data precision 7"},
      {"not a JPEG file",
       [] {
         return TBytes{'P', '6', '\n'};
       },
       pixels, 1000, "not a JPEG file"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TLimits limits(c.pixelLimit, c.scanLimit);
    TRead read;
    read.Run(c.bytes());
    EXPECT_TRUE(read.aborted);
    EXPECT_EQ(read.diagnostics.Reason, c.reason);
  }
}

TEST(JpegLimits, RealFilesStayWithinThem) {
  EXPECT_EQ(KXJpegScanLimit(), kDefaultJpegScanLimit);
  EXPECT_EQ(KXJpegMemoryLimit(), 16 * KXPixelLimit());
  {
    TLimits limits(1000, 0);
    EXPECT_EQ(KXJpegScanLimit(), 1);
    EXPECT_EQ(KXJpegMemoryLimit(), 16000);
  }
  // The padded file within a larger limit, and repeated scans within the default scan limit.
  TLimits limits(65500 * 32, kDefaultJpegScanLimit);
  TRead narrow;
  narrow.Run(Fixture("narrow_progressive.jpg"));
  EXPECT_FALSE(narrow.aborted);
  EXPECT_EQ(narrow.bitmap.Width(), 1);
  EXPECT_EQ(narrow.bitmap.Height(), 65500);

  TRead repeated;
  repeated.Run(RepeatedScans(30));
  EXPECT_FALSE(repeated.aborted);
  EXPECT_TRUE(repeated.diagnostics.Reason.empty());
  EXPECT_EQ(repeated.bitmap.Width(), 97);
}

TEST(JpegWarnings, AReadThatGoesOnSaysWhatWasWrong) {
  TRead clean;
  clean.Run(Fixture("cjpeg_444_restart.jpg"));
  ASSERT_FALSE(clean.aborted);
  EXPECT_TRUE(clean.diagnostics.Warnings.empty());

  // Cut in the middle of the data: the missing rows decode grey, and the restart marker that
  // never came is named too.
  TBytes whole = Fixture("cjpeg_444_restart.jpg");
  TRead truncated;
  truncated.Run(TBytes(whole.begin(), whole.begin() + ptrdiff_t(whole.size() / 2)));
  EXPECT_FALSE(truncated.aborted);
  EXPECT_EQ(truncated.diagnostics.Warnings,
            (std::vector<std::string>{"Premature end of JPEG file", "Corrupt JPEG data: premature end of data segment",
                                      "Corrupt JPEG data: found marker 0xd9 instead of RST2"}));
  const uint8_t* bottom = truncated.bitmap.ScanLine(60);
  EXPECT_TRUE(std::all_of(bottom, bottom + 97 * 3, [](uint8_t v) { return v == 128; }));

  // Stray bytes between two header segments: the picture is whole.
  TBytes stray = whole;
  stray.insert(stray.begin() + ptrdiff_t(FindMarker(whole, 0xC0)), {0x12, 0x34, 0x56});
  TRead corrupt;
  corrupt.Run(stray);
  EXPECT_FALSE(corrupt.aborted);
  EXPECT_EQ(corrupt.diagnostics.Warnings,
            std::vector<std::string>{"Corrupt JPEG data: 3 extraneous bytes before marker 0xc0"});
  EXPECT_EQ(kxtest::Compare(corrupt.bitmap, clean.bitmap).pixels, 0);
}

TBytes LargeProgressive() {
  TBitmap picture = kxtest::MakePicture(1200, 900);
  TIOParamsVals params;
  params.JPEG_Progressive = true;
  params.JPEG_Quality = 90;
  TMemoryStream stream;
  TProgressRec progress = NullProgress();
  WriteJPegStream(stream, picture, params, progress);
  return stream.Bytes();
}

TEST(JpegProgress, CoefficientPassesReportAndStopOnAbort) {
  const TBytes file = LargeProgressive();
  TRead whole;
  whole.Run(file);
  ASSERT_FALSE(whole.aborted);
  ASSERT_FALSE(whole.reports.empty());
  EXPECT_TRUE(std::is_sorted(whole.reports.begin(), whole.reports.end()));
  EXPECT_EQ(whole.reports.back(), 100);
  // The coefficient passes are the first half: there are many reports before the first row.
  const auto firstRow = std::find_if(whole.reports.begin(), whole.reports.end(), [](int p) { return p > 50; });
  EXPECT_GT(firstRow - whole.reports.begin(), 100);

  TRead stopped;
  stopped.abortAtReport = 1;
  stopped.Run(file);
  EXPECT_TRUE(stopped.aborted);
  ASSERT_EQ(stopped.reports.size(), 1u);
  EXPECT_LT(stopped.reports[0], 50);
  EXPECT_TRUE(stopped.diagnostics.Reason.empty());  // the user's stop needs no reason
}

// An EXIF block: signature, TIFF header in the given byte order, IFD0 at offset 8 with the
// given entries (tag, type, count, value).
struct TEntry {
  uint16_t tag, type;
  uint32_t count;
  uint16_t value;
};
TBytes Exif(bool big, const std::vector<TEntry>& entries, uint32_t ifdOffset = 8, int entryCount = -1) {
  TBytes b{'E', 'x', 'i', 'f', 0, 0};
  auto u16 = [&](uint16_t v) {
    if (big)
      b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
    else
      b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
  };
  auto u32 = [&](uint32_t v) {
    if (big) {
      u16(uint16_t(v >> 16));
      u16(uint16_t(v));
    } else {
      u16(uint16_t(v));
      u16(uint16_t(v >> 16));
    }
  };
  b.insert(b.end(), big ? std::initializer_list<uint8_t>{'M', 'M'} : std::initializer_list<uint8_t>{'I', 'I'});
  u16(42);
  u32(ifdOffset);
  u16(uint16_t(entryCount < 0 ? int(entries.size()) : entryCount));
  for (const TEntry& e : entries) {
    u16(e.tag);
    u16(e.type);
    u32(e.count);
    u16(e.value);
    u16(0);
  }
  u32(0);
  return b;
}

TEST(JpegExif, OrientationOfEachPillowFileEvenInPreview) {
  for (int n = 1; n <= 8; ++n) {
    for (bool preview : {false, true}) {
      SCOPED_TRACE(n);
      TRead read;
      read.params.EXIF_Orientation = 99;
      read.Run(Fixture("pil_orientation_" + std::to_string(n) + ".jpg"), preview);
      EXPECT_FALSE(read.aborted);
      EXPECT_EQ(read.params.EXIF_Orientation, n);
    }
  }
}

TEST(JpegExif, BlocksInBothOrdersAndBrokenOnes) {
  const TEntry other{0x010F, 2, 4, 0};
  struct TCase {
    const char* name;
    TBytes block;
    int32_t orientation;
  };
  const TCase cases[] = {
      {"little-endian after another tag", Exif(false, {other, {0x0112, 3, 1, 6}}), 6},
      {"big-endian", Exif(true, {{0x0112, 3, 1, 8}}), 8},
      {"no orientation tag", Exif(true, {other}), 0},
      {"orientation as a long", Exif(false, {{0x0112, 4, 1, 6}}), 0},
      {"two values", Exif(false, {{0x0112, 3, 2, 6}}), 0},
      {"value out of range", Exif(true, {{0x0112, 3, 1, 9}}), 0},
      {"IFD beyond the block", Exif(false, {{0x0112, 3, 1, 6}}, 4000), 0},
      {"more entries than bytes", Exif(false, {{0x0112, 3, 1, 6}}, 8, 300), 0},
      {"bad byte order",
       [] {
         TBytes b = Exif(false, {{0x0112, 3, 1, 6}});
         b[6] = 'X';
         return b;
       }(),
       0},
      {"not 42",
       [] {
         TBytes b = Exif(true, {{0x0112, 3, 1, 6}});
         b[9] = 43;
         return b;
       }(),
       0},
      {"truncated entry",
       [] {
         TBytes b = Exif(false, {{0x0112, 3, 1, 6}});
         b.resize(b.size() - 8);
         return b;
       }(),
       0},
      {"other signature",
       [] {
         TBytes b = Exif(false, {{0x0112, 3, 1, 6}});
         b[0] = 'X';
         return b;
       }(),
       0},
      {"signature only", TBytes{'E', 'x', 'i', 'f', 0, 0}, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TRead read;
    read.params.EXIF_Orientation = 5;  // left from an earlier file
    read.Run(WithApp1(Fixture("cjpeg_420.jpg"), c.block), true);
    EXPECT_FALSE(read.aborted);
    EXPECT_EQ(read.params.EXIF_Orientation, c.orientation);
  }
}

}  // namespace

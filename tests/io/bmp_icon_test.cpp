// The icon and cursor readers on directories built byte by byte: the AND mask against the
// background at every depth, alpha, the directory's sizes and hot spot, indices outside the
// directory, bitmaps stored as icons, damaged and cut files, and the content tests. Also how the
// format rows pick the three readers by name and by content.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/bmp_codec.h"
#include "imaging/io/format_io.h"
#include "imaging/io/format_registry.h"
#include "imaging/io/ioparams.h"
#include "tests/io/bmp_test_files.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::IconFile;
using kxtest::ReadDirectory;
using kxtest::TBmpRead;
using kxtest::TDirectoryKind;
using kxtest::TIconLayout;

namespace {

const TRGB kRed = CreateRGB(255, 0, 0), kBlue = CreateRGB(0, 0, 255), kWhite = CreateRGB(255, 255, 255);
const TRGB kBlack{}, kTeal = CreateRGB(0, 128, 128);

// A 32 x 32 4-bit icon: index 1 (red) everywhere, the left half of every row masked.
TIconLayout MaskedIcon() {
  TIconLayout s{
      .EntryWidth = 32, .EntryHeight = 32, .EntryColors = 16, .Field6 = 4, .Width = 32, .Height = 32, .Bits = 4};
  s.Palette.assign(16, kBlue);
  s.Palette[1] = kRed;
  s.XorRows.assign(32 * 16, 0x11);
  for (int y = 0; y < 32; ++y) s.AndRows.insert(s.AndRows.end(), {0xFF, 0xFF, 0x00, 0x00});
  return s;
}

TEST(BmpIcon, MaskedPixelsShowTheBackground) {
  for (const TRGB background : {kWhite, kTeal}) {
    TBmpRead r;
    r.Params.ICO_Background = background;
    ReadDirectory(IconFile(MaskedIcon()), r, TDirectoryKind::icon);
    ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    ASSERT_EQ(r.Bitmap.Width(), 32);
    ASSERT_EQ(r.Bitmap.Height(), 32);
    EXPECT_EQ(r.Params.BitsPerSample, 4);
    EXPECT_EQ(r.Params.SamplesPerPixel, 1);
    EXPECT_EQ(r.Params.ColorMapCount, 16);
    for (int32_t y : {0, 31})
      for (int32_t x : {0, 15, 16, 31})
        EXPECT_EQ(r.Bitmap.GetPixel(x, y), x < 16 ? background : kRed) << x << ", " << y;
  }
}

TEST(BmpIcon, EveryDepthComposesItsMask) {
  // Two pixels per picture; the mask hides the first.
  struct TCase {
    const char* Name;
    TIconLayout Layout;
    TRGB Background;
    TPixelFormat Format;
    std::vector<TRGB> Pixels;
  };
  const std::vector<uint8_t> mask{0x80, 0, 0, 0};
  const TCase cases[] = {
      {"1 bit on white",
       {.Width = 2, .Bits = 1, .Palette = {kBlack, kWhite}, .XorRows = {0x40, 0, 0, 0}, .AndRows = mask},
       kWhite,
       pf1bit,
       {kWhite, kWhite}},
      {"1 bit on black",
       {.Width = 2, .Bits = 1, .Palette = {kBlack, kWhite}, .XorRows = {0x40, 0, 0, 0}, .AndRows = mask},
       kBlack,
       pf1bit,
       {kBlack, kWhite}},
      {"1 bit, an inverting pixel on white",
       {.Width = 2, .Bits = 1, .Palette = {kBlack, kWhite}, .XorRows = {0xC0, 0, 0, 0}, .AndRows = mask},
       kWhite,
       pf1bit,
       {kBlack, kWhite}},
      {"1 bit on teal",
       {.Width = 2, .Bits = 1, .Palette = {kBlack, kWhite}, .XorRows = {0x40, 0, 0, 0}, .AndRows = mask},
       kTeal,
       pf24bit,
       {kTeal, kWhite}},
      {"8 bit",
       {.EntryColors = 2, .Width = 2, .Bits = 8, .Palette = {kBlack, kRed}, .XorRows = {1, 1, 0, 0}, .AndRows = mask},
       kTeal,
       pf24bit,
       {kTeal, kRed}},
      {"24 bit",
       {.Width = 2, .Bits = 24, .XorRows = {1, 2, 3, 4, 5, 6, 0, 0}, .AndRows = mask},
       kTeal,
       pf24bit,
       {kTeal, CreateRGB(6, 5, 4)}},
      {"32 bit without alpha",
       {.Width = 2, .Bits = 32, .XorRows = {1, 2, 3, 0, 4, 5, 6, 0}, .AndRows = mask},
       kTeal,
       pf24bit,
       {kTeal, CreateRGB(6, 5, 4)}},
      // Alpha wins over the mask: 255 is opaque, 0 transparent, 51 a fifth of the way.
      {"32 bit with alpha",
       {.Width = 2, .Bits = 32, .XorRows = {255, 0, 0, 255, 255, 255, 255, 51}, .AndRows = mask},
       kBlack,
       pf24bit,
       {kBlue, CreateRGB(51, 51, 51)}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TBmpRead r;
    r.Params.ICO_Background = c.Background;
    ReadDirectory(IconFile(c.Layout), r, TDirectoryKind::icon);
    ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    EXPECT_EQ(r.Bitmap.PixelFormat(), c.Format);
    EXPECT_EQ(r.Bitmap.GetPixel(0, 0), c.Pixels[0]);
    EXPECT_EQ(r.Bitmap.GetPixel(1, 0), c.Pixels[1]);
  }
}

TEST(BmpIcon, CursorsGiveTheirHotSpotAndUseTheirOwnBackground) {
  TIconLayout s = MaskedIcon();
  s.Type = 2;
  s.Field4 = 5;
  s.Field6 = 7;
  TBmpRead r;
  r.Params.CUR_Background = kTeal;
  ReadDirectory(IconFile(s), r, TDirectoryKind::cursor);
  ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
  EXPECT_EQ(r.Params.CUR_HotSpotX, 5);
  EXPECT_EQ(r.Params.CUR_HotSpotY, 7);
  EXPECT_EQ(r.Params.BitsPerSample, 4);
  EXPECT_EQ(r.Params.SamplesPerPixel, 1);
  EXPECT_EQ(r.Bitmap.GetPixel(0, 0), kTeal);
  EXPECT_EQ(r.Bitmap.GetPixel(31, 0), kRed);
}

TEST(BmpIcon, SizesComeFromTheEntryOrTheHeader) {
  struct TCase {
    uint8_t EntryWidth, EntryHeight;
    int32_t Width, Height;
  };
  // The header (8 x 4) wins over a differing entry width; an entry of 0 means the header's.
  const TCase cases[] = {{8, 4, 8, 4}, {0, 0, 8, 4}, {16, 16, 8, 4}};
  for (const TCase& c : cases) {
    TIconLayout s{.EntryWidth = c.EntryWidth, .EntryHeight = c.EntryHeight, .Width = 8, .Height = 4, .Bits = 24};
    s.XorRows.assign(8 * 3 * 4, 9);
    s.AndRows.assign(4 * 4, 0);
    TBmpRead r;
    ReadDirectory(IconFile(s), r, TDirectoryKind::icon);
    ASSERT_FALSE(r.Aborted) << r.Diagnostics.Reason;
    EXPECT_EQ(r.Params.Width, c.Width);
    EXPECT_EQ(r.Params.Height, c.Height);
  }
}

TEST(BmpIcon, AnIndexOutsideTheDirectoryChangesNothing) {
  for (int32_t index : {-1, 1}) {
    TBmpRead r;
    r.Bitmap = kxtest::Filled(3, 3, kRed);
    r.Params.ICO_ImageIndex = index;
    ReadDirectory(IconFile(MaskedIcon()), r, TDirectoryKind::icon);
    EXPECT_FALSE(r.Aborted);
    EXPECT_TRUE(kxtest::SameBitmap(r.Bitmap, kxtest::Filled(3, 3, kRed)));
    EXPECT_EQ(r.Params.Width, 0);
  }
}

TEST(BmpIcon, ABitmapStoredUnderAnIconNameIsReadAsABitmap) {
  TBmpRead r;
  ReadDirectory(kxtest::BmpFile({.Width = 2, .Bits = 24, .Pixels = {1, 2, 3, 4, 5, 6, 0, 0}}), r, TDirectoryKind::icon);
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(r.Bitmap.GetPixel(1, 0), CreateRGB(6, 5, 4));
}

TEST(BmpIcon, PicturesWithoutADepthAbort) {
  TIconLayout s{.Field6 = 0, .Width = 2, .Bits = 0, .XorRows = {0, 0, 0, 0}, .AndRows = {0, 0, 0, 0}};
  TBmpRead r;
  ReadDirectory(IconFile(s), r, TDirectoryKind::icon);
  EXPECT_TRUE(r.Aborted);
  EXPECT_EQ(r.Diagnostics.Reason, "icon picture without a depth");
  // The colour count gives the depth when the bit counts are 0.
  s.EntryColors = 2;
  s.Palette = {kBlack, kRed};
  s.XorRows = {0x40, 0, 0, 0};
  TBmpRead counted;
  counted.Params.ICO_Background = kTeal;
  ReadDirectory(IconFile(s), counted, TDirectoryKind::icon);
  ASSERT_FALSE(counted.Aborted) << counted.Diagnostics.Reason;
  EXPECT_EQ(counted.Bitmap.GetPixel(1, 0), kRed);
}

TEST(BmpIcon, FilesCutAtEveryLengthAbortWithoutReadingOutside) {
  for (TDirectoryKind kind : {TDirectoryKind::icon, TDirectoryKind::cursor}) {
    TIconLayout s = MaskedIcon();
    s.Type = kind == TDirectoryKind::icon ? 1 : 2;
    const std::vector<uint8_t> whole = IconFile(s);
    for (size_t n = 0; n < whole.size(); n += n < 200 ? 1 : 37) {
      SCOPED_TRACE(n);
      TBmpRead r;
      ReadDirectory(std::vector<uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(n)), r, kind);
      EXPECT_TRUE(r.Aborted);
    }
  }
}

TEST(BmpIcon, DamagedSizesAbort) {
  const kxtest::TPixelLimitScope limit(1 << 16);
  for (int32_t width : {-4, 0, 70000}) {
    TIconLayout s{.Width = width, .Height = 2, .Bits = 24};
    TBmpRead r;
    ReadDirectory(IconFile(s), r, TDirectoryKind::icon);
    EXPECT_TRUE(r.Aborted) << width;
    EXPECT_TRUE(r.Bitmap.Empty()) << width;
  }
}

TEST(BmpIcon, ContentTestsCheckEveryEntryAndRestoreThePosition) {
  const std::vector<uint8_t> icon = IconFile(MaskedIcon());
  TIconLayout cursorLayout = MaskedIcon();
  cursorLayout.Type = 2;
  const std::vector<uint8_t> cursor = IconFile(cursorLayout);
  std::vector<uint8_t> reservedSet = icon;
  reservedSet[9] = 1;
  std::vector<uint8_t> noBytes = icon;
  noBytes[14] = noBytes[15] = noBytes[16] = noBytes[17] = 0;
  std::vector<uint8_t> offsetInside = icon;
  offsetInside[18] = 21;
  struct TCase {
    const char* Name;
    std::vector<uint8_t> Bytes;
    bool Icon, Cursor;
  };
  const TCase cases[] = {
      {"icon", icon, true, false},
      {"cursor", cursor, false, true},
      {"22 bytes", std::vector<uint8_t>(icon.begin(), icon.begin() + 22), false, false},
      {"entry reserved byte set", reservedSet, false, false},
      {"entry of no bytes", noBytes, false, false},
      {"picture inside the directory", offsetInside, false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemoryStream stream(c.Bytes);
    stream.SetPosition(0);
    EXPECT_EQ(ICOTryStream(stream), c.Icon);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(CURTryStream(stream), c.Cursor);
    EXPECT_EQ(stream.Position(), 0);
  }
}

TEST(BmpIcon, FormatRowsPickTheReadersByNameAndByContent) {
  for (const char* name : {"a.bmp", "a.DIB", "a.rle"})
    EXPECT_EQ(KXLoadChoiceForFile(name).Row->FileType, ioBMP) << name;
  EXPECT_EQ(KXLoadChoiceForFile("a.ico").Row->FileType, ioICO);
  EXPECT_EQ(KXLoadChoiceForFile("a.cur").Row->FileType, ioCUR);
  EXPECT_EQ(KXSaveChoiceForFile("a.bmp").Row->FileType, ioBMP);
  EXPECT_EQ(KXFileFormatAbilities(ioBMP).Writes, true);
  EXPECT_EQ(KXFileFormatAbilities(ioICO).Writes, false);
  EXPECT_EQ(KXFileFormatAbilities(ioCUR).Reads, true);

  TIconLayout cursorLayout = MaskedIcon();
  cursorLayout.Type = 2;
  const std::pair<std::vector<uint8_t>, TIOFileType> contents[] = {
      {IconFile(MaskedIcon()), ioICO},
      {IconFile(cursorLayout), ioCUR},
      {kxtest::BmpFile({.Width = 2, .Bits = 24, .Pixels = {1, 2, 3, 4, 5, 6, 0, 0}}), ioBMP},
  };
  for (const auto& [bytes, type] : contents) {
    TMemoryStream stream(bytes);
    const TKXFormatChoice choice = KXLoadChoiceForStream(stream);
    ASSERT_TRUE(choice.Row);
    EXPECT_EQ(choice.Row->FileType, type);
    TBitmap bitmap;
    TIOParamsVals params;
    bool aborted = false;
    TProgressRec progress{};
    progress.Aborting = &aborted;
    KXReadChoice(choice, stream, bitmap, params, false, progress);
    EXPECT_FALSE(aborted);
    EXPECT_FALSE(bitmap.Empty());
  }
}

}  // namespace

TEST(BmpIcon, AnEntryOrPixelsBeyondTheDataAbortWithoutMovingPastTheEnd) {
  // An icon directory of one entry whose picture would start at 0xFFFF, and a bitmap whose pixels
  // would: both are damaged files, and a stream reader must stay inside the stream.
  std::vector<uint8_t> icon = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 40, 0, 0, 0, 0xFF, 0xFF, 0, 0};
  icon.resize(64);
  std::vector<uint8_t> bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0,  40,
                              0,   0,   0, 4, 0, 0, 0, 4, 0, 0, 0,    1,    0, 24, 0};
  bmp.resize(80);
  for (int kind = 0; kind < 2; ++kind) {
    TMemoryStream stream(kind == 0 ? icon : bmp);
    TBitmap bitmap;
    TIOParamsVals params;
    bool aborting = false;
    TProgressRec progress;
    progress.Aborting = &aborting;
    if (kind == 0)
      ICOReadStream(stream, bitmap, params, false, progress);
    else
      BMPReadStream(stream, bitmap, 0, params, false, progress);
    EXPECT_TRUE(aborting) << kind;
    EXPECT_LE(stream.Position(), stream.Size()) << kind;
  }
}

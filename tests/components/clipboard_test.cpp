// Clipboard exchange of the processing component and the composite, on an in-memory clipboard:
// what is put there for the whole picture, a rectangle and a polygon; cut; the pastes; and
// that a clipboard that refuses, holds no picture or holds a broken one changes nothing.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/components/kestrix.h"
#include "imaging/proc/dib.h"
#include "imaging/proc/polygon_mask.h"
#include "imaging/view/headless_host.h"
#include "platform/memory_clipboard.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::CoordinatePicture;
using kxtest::SameBitmap;

namespace {

struct TClipboardFixture {
  TMemoryClipboard Clipboard;
  TClipboardScope Scope{Clipboard};
  TBitmap Picture = CoordinatePicture(12, 10);
  TKestrixProc Proc;
  TClipboardFixture() { Proc.SetAttachedBitmap(&Picture); }

  TBitmap Pasted() {
    TBitmap out;
    const auto dib = Clipboard.Get(kClipboardDIB);
    EXPECT_TRUE(dib.has_value());
    if (dib) {
      EXPECT_NE(_CopyDIB2Bitmap(*dib, out), 0);
    }
    return out;
  }
};

// A bottom-up 8-bit DIB of width x height whose pixel (x, y) has index x + y and whose table
// entry i is blue i, green 2i, red 3i.
std::vector<uint8_t> EightBitDib(int32_t width, int32_t height) {
  const int32_t row = (width + 3) / 4 * 4;
  std::vector<uint8_t> dib(40 + 256 * 4 + size_t(row) * size_t(height));
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&dib[at], &v, 4); };
  put32(0, 40);
  put32(4, uint32_t(width));
  put32(8, uint32_t(height));
  dib[12] = 1;
  dib[14] = 8;
  for (int i = 0; i < 256; ++i) {
    dib[40 + 4 * i] = uint8_t(i);
    dib[41 + 4 * i] = uint8_t(2 * i);
    dib[42 + 4 * i] = uint8_t(3 * i);
  }
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) dib[40 + 1024 + size_t(height - 1 - y) * row + x] = uint8_t(x + y);
  return dib;
}

TRGB EntryOf(int i) { return TRGB{uint8_t(i), uint8_t(2 * i), uint8_t(3 * i)}; }

TBitmap Region(const TBitmap& picture, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  TBitmap part(x2 - x1 + 1, y2 - y1 + 1);
  part.Canvas().CopyRect(Rect(0, 0, part.Width(), part.Height()), picture, Rect(x1, y1, x2 + 1, y2 + 1));
  return part;
}

}  // namespace

TEST(Clipboard, CopiesTheWholePictureARectangleAndAPolygonBox) {
  TClipboardFixture f;
  f.Proc.CopyToClipboard();
  EXPECT_EQ(*f.Clipboard.Get(kClipboardDIB), _CopyBitmaptoDIB(f.Picture, 0, 0, 0, 0));
  EXPECT_FALSE(f.Clipboard.IsOpen()) << "closed before the call returns";

  f.Proc.Select(2, 3, 4, 5);
  f.Proc.SelCopyToClip();
  const std::vector<uint8_t> dib = *f.Clipboard.Get(kClipboardDIB);
  ASSERT_GE(dib.size(), 40u + 12u);
  EXPECT_EQ(dib[4], 3);
  EXPECT_EQ(dib[8], 3);
  EXPECT_EQ(dib[40 + 1], 5) << "the first stored row is picture row 5 (green = y)";
  EXPECT_TRUE(SameBitmap(f.Pasted(), Region(f.Picture, 2, 3, 4, 5)));
  // The first column alone is one column, not the whole width.
  f.Proc.Select(0, 0, 0, 9);
  f.Proc.SelCopyToClip();
  EXPECT_EQ(f.Pasted().Width(), 1);

  // A triangle in a view: the box of its pixels, black outside it.
  TKestrixView view;
  view.Assign(&f.Picture);
  TKestrixProc proc;
  proc.SetAttachedKestrix(&view);
  view.SetSelectionBase(kxsbBitmap);
  const TPoint triangle[] = {{1, 1}, {9, 1}, {1, 9}};
  for (const TPoint p : triangle) view.AddSelPoint(p.X, p.Y);
  proc.SelCopyToClip();
  const TBitmap box = f.Pasted();
  const TRect covered = TKXSpanMask(triangle, 3, Rect(0, 0, 12, 10)).Bounds();
  EXPECT_EQ(covered.Left, 1);
  EXPECT_EQ(covered.Top, 1);
  EXPECT_EQ(box.Width(), covered.Right - covered.Left);
  EXPECT_EQ(box.Height(), covered.Bottom - covered.Top);
  EXPECT_EQ(box.GetPixel(0, 0), f.Picture.GetPixel(1, 1));
  EXPECT_EQ(box.GetPixel(7, 7), (TRGB{0, 0, 0}));
}

TEST(Clipboard, CutCopiesThenFillsAndNothingHappensWithoutASelectionOrAClipboard) {
  TClipboardFixture f;
  f.Proc.SetBackground(TRGB2TColor(TRGB{1, 2, 3}));
  const TBitmap before = f.Picture;
  f.Proc.SelCutToClip();
  EXPECT_TRUE(SameBitmap(f.Picture, before)) << "no selection";
  EXPECT_FALSE(f.Clipboard.Has(kClipboardDIB));
  EXPECT_FALSE(f.Proc.CanUndo());

  f.Proc.Select(2, 3, 4, 5);
  f.Clipboard.Refuses = true;
  f.Proc.SelCutToClip();
  EXPECT_TRUE(SameBitmap(f.Picture, before)) << "the clipboard refused";
  EXPECT_FALSE(f.Proc.CanUndo());

  f.Clipboard.Refuses = false;
  f.Proc.SelCutToClip();
  EXPECT_TRUE(SameBitmap(f.Pasted(), Region(before, 2, 3, 4, 5)));
  EXPECT_EQ(f.Picture.GetPixel(3, 4), (TRGB{1, 2, 3}));
  EXPECT_EQ(f.Picture.GetPixel(5, 4), before.GetPixel(5, 4));
  f.Proc.Undo();
  EXPECT_TRUE(SameBitmap(f.Picture, before));
}

TEST(Clipboard, ClearFillsThePictureOrTheSelectionPolygon) {
  TClipboardFixture f;
  f.Proc.SetBackground(TRGB2TColor(TRGB{9, 9, 9}));
  TKestrixView view;
  view.Assign(&f.Picture);
  TKestrixProc proc;
  proc.SetAttachedKestrix(&view);
  view.SetBackGround(TRGB2TColor(TRGB{9, 9, 9}));
  view.SetSelectionBase(kxsbBitmap);
  for (const TPoint p : {TPoint{0, 0}, TPoint{8, 0}, TPoint{0, 8}}) view.AddSelPoint(p.X, p.Y);
  proc.ClearSel();
  EXPECT_EQ(view.Bitmap().GetPixel(1, 1), (TRGB{9, 9, 9}));
  EXPECT_EQ(view.Bitmap().GetPixel(7, 7), f.Picture.GetPixel(7, 7)) << "outside the triangle";
  proc.Clear();
  EXPECT_TRUE(SameBitmap(view.Bitmap(), kxtest::Filled(12, 10, TRGB{9, 9, 9})));
}

TEST(Clipboard, PastesReplaceDrawOrStretchAndAPaletteBecomesTwentyFourBit) {
  TClipboardFixture f;
  f.Clipboard.Put(kClipboardDIB, EightBitDib(5, 4));
  f.Proc.PasteFromClipboard();
  ASSERT_EQ(f.Picture.PixelFormat(), pf24bit);
  ASSERT_EQ(f.Picture.Width(), 5);
  EXPECT_EQ(f.Picture.GetPixel(4, 3), EntryOf(7));
  EXPECT_TRUE(f.Proc.CanUndo());

  const TBitmap base = CoordinatePicture(12, 10);
  f.Picture = base;
  f.Proc.PointPasteFromClip(9, 8);  // no view: picture coordinates, clipped to the picture
  EXPECT_EQ(f.Picture.GetPixel(9, 8), EntryOf(0));
  EXPECT_EQ(f.Picture.GetPixel(11, 9), EntryOf(3));
  EXPECT_EQ(f.Picture.GetPixel(8, 8), base.GetPixel(8, 8));

  f.Picture = base;
  f.Proc.Select(2, 2, 11, 9);
  f.Proc.SelPasteFromClipStretch();
  EXPECT_EQ(f.Picture.GetPixel(2, 2), EntryOf(0));
  EXPECT_EQ(f.Picture.GetPixel(11, 9), EntryOf(7));
  EXPECT_EQ(f.Picture.GetPixel(1, 1), base.GetPixel(1, 1));

  // A bilevel DIB stays bilevel.
  TBitmap bilevel = kxtest::Uniform(9, 3, 255, pf1bit);
  f.Clipboard.Put(kClipboardDIB, _CopyBitmaptoDIB(bilevel, 0, 0, 0, 0));
  f.Proc.PasteFromClipboard();
  EXPECT_EQ(f.Picture.PixelFormat(), pf1bit);
  EXPECT_TRUE(SameBitmap(f.Picture, bilevel));
}

TEST(Clipboard, NoPictureABrokenOneOrARefusalChangeNothingNotEvenTheUndo) {
  TClipboardFixture f;
  const TBitmap before = f.Picture;
  f.Clipboard.Put("text/plain", {'h', 'i'});
  std::vector<uint8_t> truncated = EightBitDib(5, 4);
  truncated.resize(truncated.size() - 3);
  for (int round = 0; round < 3; ++round) {
    if (round == 1) f.Clipboard.Put(kClipboardDIB, truncated);
    if (round == 2) {
      f.Clipboard.Put(kClipboardDIB, EightBitDib(5, 4));
      f.Clipboard.Refuses = true;
    }
    f.Proc.PasteFromClipboard();
    f.Proc.PointPasteFromClip(0, 0);
    f.Proc.Select(1, 1, 5, 5);
    f.Proc.SelPasteFromClipStretch();
    f.Proc.SelectAll();
    EXPECT_TRUE(SameBitmap(f.Picture, before)) << round;
    EXPECT_FALSE(f.Proc.CanUndo()) << round;
  }
}

TEST(Clipboard, TheCompositePastesAtAClientPointConvertedOnce) {
  TMemoryClipboard clipboard;
  TClipboardScope scope(clipboard);
  TKestrix k;
  THeadlessHost host(k, 42, 42);
  const TBitmap base = CoordinatePicture(40, 40);
  k.Assign(&base);
  k.SetZoom(200);
  k.SetViewXY(10, 6);
  clipboard.Put(kClipboardDIB, EightBitDib(2, 2));
  const int32_t cx = 9, cy = 7;
  const int32_t px = k.XScr2Bmp(cx), py = k.YScr2Bmp(cy);
  ASSERT_NE(px, cx);
  k.PointPasteFromClip(cx, cy);
  EXPECT_EQ(k.Bitmap().GetPixel(px, py), EntryOf(0));
  EXPECT_EQ(k.Bitmap().GetPixel(px + 1, py + 1), EntryOf(2));
  EXPECT_EQ(k.Bitmap().GetPixel(px - 1, py), base.GetPixel(px - 1, py));

  k.CopyToClipboard();
  TKestrix other;
  other.PasteFromClipboard();
  EXPECT_TRUE(SameBitmap(other.Bitmap(), k.Bitmap()));
}

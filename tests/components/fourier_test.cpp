// The Fourier members of the processing component and the composite's forwards: which picture
// is transformed, the picture replaced by a spectrum or an inverse with an undo state first,
// refusals, and progress reported by the transform itself.
#include <gtest/gtest.h>

#include "imaging/components/kestrix.h"
#include "imaging/components/kestrix_proc.h"
#include "imaging/proc/resample.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::MakePicture;
using kxtest::SameBitmap;

namespace {

struct TSenders {
  std::vector<void*> senders;
  void On(void* sender, int) { senders.push_back(sender); }
};

}  // namespace

TEST(FourierProc, TransformsThePictureOrAStretchedCopy) {
  TBitmap picture = MakePicture(100, 60);
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  const auto itself = proc.FTCreateImage(kxitRGB, -1, -1);
  ASSERT_NE(itself, nullptr);
  EXPECT_EQ(itself->SourceWidth(), 100);
  EXPECT_EQ(itself->TransformSize(), 128);
  const auto byWidth = proc.FTCreateImage(kxitGrayscale, 50, -1);
  ASSERT_NE(byWidth, nullptr);
  EXPECT_EQ(byWidth->SourceWidth(), 50);
  EXPECT_EQ(byWidth->SourceHeight(), 30);
  EXPECT_EQ(byWidth->ImageType(), kxitGrayscale);
  const auto byHeight = proc.FTCreateImage(kxitRGB, -1, 12);
  ASSERT_NE(byHeight, nullptr);
  EXPECT_EQ(byHeight->SourceWidth(), 20);
  EXPECT_EQ(byHeight->TransformSize(), 32);
  // The stretched copy is what gets transformed; the picture stays as it was.
  TBitmap stretched(20, 12);
  _KXBmpStretch(picture, stretched);
  TBitmap back;
  byHeight->BuildBitmap(back);
  EXPECT_LE(kxtest::Compare(back, stretched).maxDelta, 1);
  EXPECT_TRUE(SameBitmap(picture, MakePicture(100, 60)));
  EXPECT_FALSE(proc.CanUndo());
}

TEST(FourierProc, RefusesWithoutAColourPictureOrABearableGrid) {
  TKestrixProc proc;
  EXPECT_EQ(proc.FTCreateImage(kxitRGB, -1, -1), nullptr);
  TBitmap oneBit(8, 8, pf1bit);
  proc.SetAttachedBitmap(&oneBit);
  EXPECT_EQ(proc.FTCreateImage(kxitRGB, -1, -1), nullptr);
  TBitmap wide(20000, 2);
  proc.SetAttachedBitmap(&wide);
  EXPECT_EQ(proc.FTCreateImage(kxitRGB, -1, -1), nullptr);
  EXPECT_NE(proc.LastRefusal().find("16384"), std::string::npos) << proc.LastRefusal();
  EXPECT_EQ(proc.FTCreateImage(kxitRGB, 0, -1), nullptr);
  EXPECT_FALSE(proc.LastRefusal().empty());
  EXPECT_NE(proc.FTCreateImage(kxitGrayscale, 64, 1), nullptr);
  EXPECT_TRUE(proc.LastRefusal().empty());
}

TEST(FourierProc, ConvertAndDisplaySaveAnUndoStateFirst) {
  const TBitmap original = MakePicture(30, 20);
  TBitmap picture = original;
  TKestrixProc proc;
  proc.SetAttachedBitmap(&picture);
  const auto ft = proc.FTCreateImage(kxitGrayscale, -1, -1);
  ASSERT_NE(ft, nullptr);
  proc.FTDisplayFrom(*ft);
  TBitmap spectrum;
  ft->GetFTImage(spectrum);
  EXPECT_TRUE(SameBitmap(picture, spectrum));
  ASSERT_TRUE(proc.CanUndo());
  EXPECT_TRUE(SameBitmap(proc.UndoBitmap(), original));
  proc.FTConvertFrom(*ft);
  TBitmap back;
  ft->BuildBitmap(back);
  EXPECT_TRUE(SameBitmap(picture, back));
  EXPECT_TRUE(SameBitmap(proc.UndoBitmap(), spectrum));
  proc.Undo();
  EXPECT_TRUE(SameBitmap(picture, spectrum));

  // Without AutoUndo the undo state stays, and an empty transform changes nothing.
  proc.SetAutoUndo(false);
  proc.FTConvertFrom(*ft);
  EXPECT_TRUE(SameBitmap(proc.UndoBitmap(), spectrum));
  const TKXFtImage empty;
  proc.FTDisplayFrom(empty);
  proc.FTConvertFrom(empty);
  EXPECT_TRUE(SameBitmap(picture, back));
}

TEST(FourierProc, TheTransformReportsAsItsOwnSender) {
  TBitmap picture = MakePicture(16, 16);
  TKestrix k;
  k.Assign(&picture);
  TSenders log;
  k.SetOnProgress(TProgressEvent::Bind<&TSenders::On>(&log));
  const auto ft = k.FTCreateImage(kxitRGB, -1, -1);
  ASSERT_NE(ft, nullptr);
  ASSERT_FALSE(log.senders.empty());
  for (void* sender : log.senders) EXPECT_EQ(sender, ft.get());
  k.FTDisplayFrom(*ft);
  EXPECT_EQ(k.Bitmap().Width(), 16);
  EXPECT_TRUE(k.CanUndo());
  k.FTConvertFrom(*ft);
  EXPECT_LE(kxtest::Compare(k.Bitmap(), picture).maxDelta, 1);
}

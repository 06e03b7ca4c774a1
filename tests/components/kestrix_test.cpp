// The composite: what Assign copies, where each property goes, one progress handler for both
// parts, abort from the handler, the view's behaviour driven through it, the listeners told of
// a new picture, and the busy guard and destruction from inside a handler.
#include "imaging/components/kestrix.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "imaging/core/stream.h"
#include "imaging/proc/magic_wand.h"
#include "imaging/view/headless_host.h"
#include "tests/support/test_support.h"

using namespace kx;
using kxtest::CoordinatePicture;
using kxtest::MakePicture;
using kxtest::SameBitmap;
using kxtest::TempPath;

namespace {

// A JPEG of `picture`, written through a composite.
std::string JpegOf(const TBitmap& picture, bool progressive = false) {
  const std::string path = TempPath(".jpg");
  TKestrix k;
  k.Assign(&picture);
  k.IOParams().JPEG_Progressive = progressive;
  k.SaveToFile(path);
  EXPECT_FALSE(k.Aborting());
  return path;
}

// A progress handler that runs a test's code on each report.
struct THandler {
  std::function<void(void* sender, int percent)> body;
  void On(void* sender, int percent) { body(sender, percent); }
  TProgressEvent Event() { return TProgressEvent::Bind<&THandler::On>(this); }
};

struct TListener {
  int calls = 0;
  void On(TKXView*) { ++calls; }
};

}  // namespace

TEST(Kestrix, AssignFromACompositeCopiesPictureParametersAndBackground) {
  TKestrix source;
  const TBitmap picture = CoordinatePicture(9, 7);
  source.Assign(&picture);
  source.SetBackGround(0x0000FF);
  source.SetDPI(150, 75);
  source.IOParams().FileType = ioJPEG;
  source.IOParams().JPEG_Quality = 42;
  source.IOParams().DpiX = 300;

  TKestrix target;
  target.Assign(&source);
  EXPECT_TRUE(SameBitmap(target.Bitmap(), picture));
  EXPECT_EQ(target.Background(), 0x0000FF);
  EXPECT_EQ(target.DpiX(), 150);
  EXPECT_EQ(target.DpiY(), 75);
  EXPECT_EQ(target.IOParams().FileType, ioJPEG);
  EXPECT_EQ(target.IOParams().JPEG_Quality, 42);
  EXPECT_EQ(target.IOParams().DpiX, 300);

  // A plain view and a bitmap bring their picture but no parameters.
  TKestrixView plain;
  const TBitmap other = MakePicture(5, 4);
  plain.Assign(&other);
  target.Assign(&plain);
  EXPECT_TRUE(SameBitmap(target.Bitmap(), other));
  EXPECT_EQ(target.IOParams().JPEG_Quality, 42);
  target.AssignIOParams(&source.IOPart());
  EXPECT_EQ(target.IOParams().FileType, ioJPEG);
}

TEST(Kestrix, AssignFromAnotherFormatGivesATwentyFourBitPicture) {
  TKestrix k;
  k.IOParams().JPEG_Quality = 33;
  TBitmap deep(6, 3);
  deep.SetPixelFormat(pf32bit);
  deep.Canvas().Brush = TBrush{TRGB2TColor(CreateRGB(10, 20, 30)), bsSolid};
  deep.Canvas().FillRect(Rect(0, 0, 6, 3));
  k.Assign(&deep);
  EXPECT_EQ(k.Bitmap().PixelFormat(), pf24bit);
  EXPECT_EQ(k.Bitmap().Width(), 6);
  EXPECT_EQ(k.Bitmap().Height(), 3);
  EXPECT_EQ(k.Bitmap().GetPixel(5, 2), CreateRGB(10, 20, 30));
  EXPECT_EQ(k.IOParams().JPEG_Quality, 33);
}

TEST(Kestrix, PropertiesGoToTheirParts) {
  TKestrix k;
  EXPECT_TRUE(k.AutoUndo());
  EXPECT_EQ(k.ProcPart().AttachedKestrix(), &k);
  EXPECT_EQ(k.IOPart().AttachedKestrix(), &k);
  k.SetAutoUndo(false);
  EXPECT_FALSE(k.ProcPart().AutoUndo());
  k.SetMsgLanguage(msGerman);
  EXPECT_EQ(k.ProcPart().MsgLanguage(), msGerman);
  EXPECT_EQ(k.IOPart().MsgLanguage(), msGerman);
  TKXFont font;
  font.Name = "Serif";
  font.Size = 11;
  k.SetPreviewFont(font);
  EXPECT_EQ(k.ProcPart().PreviewFont(), font);
  EXPECT_EQ(k.IOPart().PreviewFont(), font);
  k.SetProcPreviewsParams({prppDefaultLockPreview});
  EXPECT_TRUE(k.ProcPart().PreviewsParams().Contains(prppDefaultLockPreview));
  k.SetIOPreviewsParams({ioppDefaultLockPreview});
  EXPECT_TRUE(k.IOPart().PreviewsParams().Contains(ioppDefaultLockPreview));
  k.SetStreamHeaders(true);
  EXPECT_TRUE(k.IOPart().StreamHeaders());
  k.SetAborting(true);
  EXPECT_TRUE(k.IOPart().Aborting());
}

TEST(Kestrix, OneProgressHandlerHearsBothPartsEachAsItsOwnSender) {
  const std::string file = JpegOf(MakePicture(40, 30));
  TKestrix k;
  std::vector<void*> senders;
  THandler handler{[&](void* sender, int) { senders.push_back(sender); }};
  k.SetOnProgress(handler.Event());
  EXPECT_EQ(k.OnProgress(), handler.Event());

  k.LoadFromFile(file);
  ASSERT_FALSE(senders.empty());
  for (void* s : senders) EXPECT_EQ(s, &k.IOPart());
  senders.clear();
  k.Negative();
  ASSERT_FALSE(senders.empty());
  for (void* s : senders) EXPECT_EQ(s, &k.ProcPart());

  k.SetOnProgress({});
  senders.clear();
  k.Negative();
  EXPECT_TRUE(senders.empty());
}

TEST(Kestrix, AbortingFromTheHandlerStopsTheLoadAfterItsCurrentRows) {
  const TBitmap picture = MakePicture(64, 512);
  const std::string file = JpegOf(picture);
  TKestrix k;
  std::vector<int> reports;
  THandler handler{[&](void*, int percent) {
    reports.push_back(percent);
    k.SetAborting(true);
  }};
  k.SetOnProgress(handler.Event());
  k.LoadFromFile(file);
  EXPECT_TRUE(k.Aborting());
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_LT(reports[0], 100);
  // The rows the decoder never reached are black.
  EXPECT_EQ(k.Bitmap().GetPixel(30, 511), CreateRGB(0, 0, 0));
}

TEST(Kestrix, DrivesTheViewPixelExactThroughAHeadlessHost) {
  // The composite and a plain view that shows the expected picture must paint alike.
  const TBitmap picture = CoordinatePicture(40, 30);
  TKestrix k;
  THeadlessHost host(k, 62, 62);
  k.Assign(&picture);
  k.SetZoom(150);
  k.SetViewXY(6, 3);
  k.Select(2, 3, 9, 8, kxspReplace);  // client coordinates
  const int32_t x1 = k.SelX1(), y1 = k.SelY1(), x2 = k.SelX2(), y2 = k.SelY2();
  k.Negative();

  TBitmap expected = picture;
  for (int32_t y = y1; y <= y2; ++y)
    for (int32_t x = x1; x <= x2; ++x) {
      const TRGB c = expected.GetPixel(x, y);
      expected.SetPixel(x, y, TRGB{uint8_t(255 - c.b), uint8_t(255 - c.g), uint8_t(255 - c.r)});
    }
  EXPECT_TRUE(SameBitmap(k.Bitmap(), expected));

  TKestrixView plain;
  THeadlessHost plainHost(plain, 62, 62);
  plain.Assign(&expected);
  plain.SetZoom(150);
  plain.SetViewXY(6, 3);
  plain.Select(2, 3, 9, 8, kxspReplace);
  EXPECT_TRUE(SameBitmap(host.Snapshot(), plainHost.Snapshot()));

  ASSERT_TRUE(k.CanUndo());
  k.Undo();
  EXPECT_TRUE(SameBitmap(k.Bitmap(), picture));
}

TEST(Kestrix, SelectsWithTheMagicWandLikeTheView) {
  TBitmap picture(50, 50);
  for (int32_t y = 15; y < 50; ++y)
    for (int32_t x = 10; x < 50; ++x) picture.SetPixel(x, y, TRGB{0, 0, 255});
  TKestrix k;
  THeadlessHost host(k, 102, 102);
  k.Assign(&picture);
  k.SetMouseInteract({miSelectMagicWand});
  k.SetZoom(200);
  k.MouseDown(mbLeft, {}, 20, 30);
  k.MouseUp(mbLeft, {}, 20, 30);
  const std::vector<TPoint> points(k.PolySelArray(), k.PolySelArray() + k.PolySelCount());
  EXPECT_EQ(points, _MakeMagicWandPoints(k.Bitmap(), 10, 15, false, k.MagicWandTolerance()));
  // An edit now keeps to the selected region.
  k.Negative();
  EXPECT_EQ(k.Bitmap().GetPixel(30, 30), (TRGB{255, 255, 0}));
  EXPECT_EQ(k.Bitmap().GetPixel(2, 2), (TRGB{0, 0, 0}));
}

TEST(Kestrix, ListenersHearOfEveryNewPicture) {
  const std::string file = JpegOf(MakePicture(8, 8));
  TKestrix k;
  TListener listener;
  k.RegisterBitmapChangeEvent(TKXViewNotify::Bind<&TListener::On>(&listener));
  const TBitmap picture = MakePicture(5, 5);
  k.Assign(&picture);
  EXPECT_EQ(listener.calls, 1);
  k.LoadFromFile(file);
  EXPECT_EQ(listener.calls, 2);
  k.Blank();
  EXPECT_EQ(listener.calls, 3);
  k.Resample(10, 10, rfTriangle);
  EXPECT_EQ(listener.calls, 4);
}

TEST(Kestrix, ASecondOperationWhileOneRunsIsRefusedBeforeItStarts) {
  const TBitmap picture = MakePicture(32, 256);
  const std::string file = JpegOf(picture);
  TKestrix k;
  const TBitmap other = MakePicture(3, 3);
  int refused = 0;
  THandler handler{[&](void*, int) {
    const std::vector<std::function<void()>> attempts = {
        [&] { k.Negative(); }, [&] { k.LoadFromFile(file); },           [&] { k.Assign(&other); },
        [&] { k.Blank(); },    [&] { k.SaveToFile(TempPath(".jpg")); }, [&] { k.CalcImageNumColors(); },
    };
    for (const auto& attempt : attempts) {
      try {
        attempt();
      } catch (const EKXBusy&) {
        ++refused;
      }
    }
  }};
  k.SetOnProgress(handler.Event());
  k.LoadFromFile(file);
  EXPECT_FALSE(k.Aborting());
  EXPECT_GT(refused, 0);
  EXPECT_EQ(refused % 6, 0);
  EXPECT_EQ(k.Bitmap().Width(), 32);
  EXPECT_EQ(k.Bitmap().Height(), 256);

  // The guard is given back after the operation, also when it failed.
  k.SetOnProgress({});
  EXPECT_FALSE(k.Busy());
  EXPECT_THROW(k.LoadFromFile(TempPath(".jpg")), EFOpenError);
  EXPECT_FALSE(k.Busy());
  TBitmap before = k.Bitmap();
  k.Negative();
  EXPECT_FALSE(SameBitmap(k.Bitmap(), before));
}

TEST(Kestrix, DestroyedFromItsOwnHandlerStopsTheOperationAndItsCaller) {
  // Run under the address sanitizer, any touch of the freed composite fails the test.
  const std::string baseline = JpegOf(MakePicture(48, 300));
  const std::string progressive = JpegOf(MakePicture(48, 300), true);
  const std::vector<std::function<void(TKestrix&)>> operations = {
      [&](TKestrix& k) { k.LoadFromFile(baseline); },
      [&](TKestrix& k) { k.LoadFromFile(progressive); },
      [&](TKestrix& k) { k.HSLvar(10, 5, 5); },
      [&](TKestrix& k) { k.SaveToFile(TempPath(".jpg")); },
  };
  for (size_t i = 0; i < operations.size(); ++i) {
    auto* k = new TKestrix;
    const TBitmap picture = MakePicture(48, 300);
    k->Assign(&picture);
    int reports = 0;
    THandler handler{[&](void*, int) {
      ++reports;
      delete k;
    }};
    k->SetOnProgress(handler.Event());
    EXPECT_THROW(operations[i](*k), EControlDestroyed) << i;
    EXPECT_EQ(reports, 1) << i;
  }
}

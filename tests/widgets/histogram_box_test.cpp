// The histogram box: what it counts, how columns show levels, its labels and ramp, and its
// attachment.
#include "imaging/widgets/histogram_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "imaging/core/pixelformat.h"
#include "imaging/view/headless_host.h"
#include "tests/support/test_support.h"
#include "tests/widgets/widget_shots.h"

using namespace kx;

namespace {

// 1000 pixels: `spike` of red level 201, the rest of red level 10.
TBitmap TwoLevels(int32_t spike) {
  TBitmap picture = kxtest::Filled(100, 10, TRGB{0, 0, 10});
  for (int32_t i = 0; i < spike; ++i) reinterpret_cast<TRGB*>(picture.ScanLine(i / 100))[i % 100].r = 201;
  return picture;
}

struct THostedBox {
  TBitmap Picture;
  TKestrixProc Proc;
  THistogramBox Box;
  THeadlessHost Host;
  THostedBox(TBitmap picture, int32_t width, int32_t height) : Picture(std::move(picture)) {
    Proc.SetAttachedBitmap(&Picture);
    Box.SetBounds(0, 0, width, height);
    Host.Attach(Box);
    Box.SetAttachedKestrixProc(&Proc);
  }
};

}  // namespace

TEST(HistogramBox, BothLevelsOfATwoLevelPictureShowAtEveryWidth) {
  for (int32_t width : {64, 256, 1000}) {
    THostedBox hosted(TwoLevels(300), width, 50);
    hosted.Box.SetLabels({});
    hosted.Box.SetCompBar(false);
    hosted.Box.SetHistogramKind({hkRed});
    TBitmap shot = hosted.Host.Snapshot();
    // 700 pixels fill the height; 300 reach Round(300 / 700 x 50) = 21 rows above the bottom row.
    const int32_t common = 10 * width / 256, spike = 201 * width / 256;
    EXPECT_EQ(shot.Canvas().Pixel(common, 0), 0x0000FF) << width;
    EXPECT_EQ(shot.Canvas().Pixel(spike, 28), 0x0000FF) << width;
    EXPECT_EQ(shot.Canvas().Pixel(spike, 27), clWhite) << width;
    EXPECT_EQ(shot.Canvas().Pixel(spike, 49), 0x0000FF) << width;
  }
}

TEST(HistogramBox, WithoutLabelsThePlotStartsAtTheControlsLeftAndColumnsFollowTheLevels) {
  THostedBox hosted(TwoLevels(300), 512, 50);
  hosted.Box.SetBounds(7, 3, 512, 50);
  hosted.Box.SetLabels({});
  hosted.Box.SetCompBar(false);
  hosted.Box.SetHistogramKind({hkRed});
  TBitmap shot = hosted.Host.Snapshot();
  EXPECT_EQ(hosted.Box.PlotLeft(), 7);
  // Two columns per level: level Trunc(x / 512 x 256).
  for (int32_t x : {20, 21, 402, 403}) EXPECT_EQ(shot.Canvas().Pixel(x, 28), 0x0000FF) << x;
  for (int32_t x : {19, 22, 401, 404}) EXPECT_EQ(shot.Canvas().Pixel(x, 28), clWhite) << x;
}

TEST(HistogramBox, ShowsOnlyItsBackgroundWithoutAPicture) {
  TKestrixProc emptyProc;
  TBitmap empty;
  TKestrixProc procOfEmpty;
  procOfEmpty.SetAttachedBitmap(&empty);
  for (TKestrixProc* proc : {static_cast<TKestrixProc*>(nullptr), &emptyProc, &procOfEmpty}) {
    THistogramBox box;
    THeadlessHost host(box, 40, 30);
    box.SetBackground(0x123456);
    box.SetAttachedKestrixProc(proc);
    EXPECT_TRUE(kxtest::SameBitmap(host.Snapshot(), kxtest::Filled(40, 30, TColor2TRGB(0x123456))));
    EXPECT_EQ(box.PlotLeft(), 0);
  }
}

TEST(HistogramBox, ForgetsAProcessingComponentThatIsDestroyed) {
  TBitmap picture = TwoLevels(300);
  auto proc = std::make_unique<TKestrixProc>();
  proc->SetAttachedBitmap(&picture);
  THistogramBox box;
  THeadlessHost host(box, 40, 30);
  box.SetAttachedKestrixProc(proc.get());
  EXPECT_EQ(box.Counts()[10].r, 700u);
  proc.reset();
  EXPECT_EQ(box.AttachedKestrixProc(), nullptr);
  EXPECT_EQ(box.Counts()[10].r, 0u);
  EXPECT_TRUE(kxtest::SameBitmap(host.Snapshot(), kxtest::Filled(40, 30, TRGB{255, 255, 255})));
  // A box destroyed first withdraws its notice: the component's end then touches nothing.
  auto second = std::make_unique<TKestrixProc>();
  {
    THistogramBox brief;
    brief.SetAttachedKestrixProc(second.get());
  }
  second.reset();
}

TEST(HistogramBox, CountsOnlyTheSelection) {
  THostedBox hosted(TwoLevels(300), 64, 40);
  hosted.Proc.Select(0, 5, 99, 9);
  hosted.Box.Update();
  EXPECT_EQ(hosted.Box.Counts()[10].r, 500u);
  EXPECT_EQ(hosted.Box.Counts()[201].r, 0u);
}

// A 150 x 50 box with both labels and the ramp over the two-level picture: counts 700 and 350
// on the left, level labels under the axes, the ramp in the bottom Trunc(9 x 1.2) = 10 rows.
TEST(HistogramBox, DrawsLabelsAxesBarsAndRamp) {
  THostedBox hosted(TwoLevels(300), 150, 50);
  hosted.Box.SetHistogramKind({hkRed});
  TBitmap shot = hosted.Host.Snapshot();
  EXPECT_EQ(hosted.Box.PlotLeft(), 20);
  // The ramp: column e of the 130-wide plot has red Round(e / 130 x 256), at most 255.
  for (int32_t y = 40; y < 50; ++y)
    for (int32_t x = 0; x < 150; ++x) {
      const int32_t e = x - 20;
      const TColor ramp = e < 0 ? clWhite : std::min(KXRound(e / 130.0 * 256), 255);
      ASSERT_EQ(shot.Canvas().Pixel(x, y), ramp) << x << ", " << y;
    }
  shot.SetHeight(38);
  EXPECT_EQ(
      kxtest::TextShot(shot, {{clWhite, '.'}, {clBlack, '#'}, {0x0000FF, 'r'}}),
      R"(...................#.....r............................................................................................................................
#####..###...###...#.....r............................................................................................................................
....#.#...#.#...#..#.....r............................................................................................................................
...#..#..##.#..##..#.....r............................................................................................................................
..#...#.#.#.#.#.#..#.....r............................................................................................................................
.#....##..#.##..#..#.....r............................................................................................................................
.#....#...#.#...#..#.....r............................................................................................................................
.#.....###...###...#.....r............................................................................................................................
...................#.....r............................................................................................................................
...................#.....r............................................................................................................................
...................#.....r............................................................................................................................
...................#.....r............................................................................................................................
...................#.....r............................................................................................................................
...................#.....r............................................................................................................................
...................#.....r................................................................................................r...........................
...................#.....r................................................................................................r...........................
...................#.....r................................................................................................r...........................
...................#.....r................................................................................................r...........................
...................#.....r................................................................................................r...........................
...................#.....r................................................................................................r...........................
#####.#####..###...#.....r................................................................................................r...........................
...#..#.....#...#..#.....r................................................................................................r...........................
..#...####..#..##..#.....r................................................................................................r...........................
...#......#.#.#.#..#.....r................................................................................................r...........................
....#.....#.##..#..#.....r................................................................................................r...........................
#...#.#...#.#...#..#.....r................................................................................................r...........................
.###...###...###...#rrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrr
...................###################################################################################################################################
......................................................................................................................................................
.....................###..............................##.....#.........................#....###...###...................#....###...#####..#####.#####.
....................#...#............................#......##........................##...#...#.#...#.................##...#...#.#.#.#.#.#.....#.....
....................#..##...........................#......#.#.........................#.......#.#...#..................#...#...#.....#.#.####..####..
....................#.#.#...........................####..#..#.........................#......#...###...................#....####....#.#......#.....#.
....................##..#...........................#...#.#####........................#.....#...#...#..................#.......#...#.#.......#.....#.
....................#...#...........................#...#....#.........................#....#....#...#..................#......#...#.#....#...#.#...#.
.....................###.............................###.....#........................###..#####..###..................###...##...#######..###...###..
......................................................................................................................................................
......................................................................................................................................................
)");
}

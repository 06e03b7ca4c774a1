// The ruler: grip limits and their events, fitting, guarded setters, grip shapes, the mouse,
// the scrolling past an end on the timer, the keys, and its drawing.
#include "imaging/widgets/ruler_box.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

#include "imaging/view/headless_host.h"
#include "platform/keys.h"
#include "tests/support/test_support.h"
#include "tests/widgets/widget_shots.h"

using namespace kx;

namespace {

struct TRulerLog {
  std::vector<int32_t> PosChanges, Clicks, DoubleClicks;
  std::vector<double> RulerClicks;
  void PosChange(void*, int32_t grip) { PosChanges.push_back(grip); }
  void Click(void*, int32_t grip) { Clicks.push_back(grip); }
  void DoubleClick(void*, int32_t grip) { DoubleClicks.push_back(grip); }
  void RulerClick(void*, double pos) { RulerClicks.push_back(pos); }
};

struct THostedRuler {
  TRulerBox Ruler;
  THeadlessHost Host;
  TRulerLog Log;
  THostedRuler(int32_t width = 300, int32_t height = 40) : Host(Ruler, width, height) {
    Ruler.OnRulerPosChange = TRulerGripEvent::Bind<&TRulerLog::PosChange>(&Log);
    Ruler.OnRulerGripClick = TRulerGripEvent::Bind<&TRulerLog::Click>(&Log);
    Ruler.OnRulerGripDblClick = TRulerGripEvent::Bind<&TRulerLog::DoubleClick>(&Log);
    Ruler.OnRulerClick = TRulerClickEvent::Bind<&TRulerLog::RulerClick>(&Log);
  }
};

}  // namespace

TEST(RulerBox, AGripBeyondItsLimitStopsThereAndBothChangesAreAnnounced) {
  THostedRuler hosted;
  hosted.Ruler.SetViewMax(255);
  hosted.Ruler.SetGripsPos(0, 300);
  EXPECT_EQ(hosted.Ruler.GetGripsPos(0), 255);
  EXPECT_EQ(hosted.Log.PosChanges, (std::vector<int32_t>{0, 0}));
  hosted.Log.PosChanges.clear();
  hosted.Ruler.SetGripsPos(0, 100);
  EXPECT_EQ(hosted.Log.PosChanges, (std::vector<int32_t>{0}));
  // Narrowing a grip's limits moves it inside them.
  hosted.Ruler.SetGripsMax(0, 50);
  EXPECT_EQ(hosted.Ruler.GetGripsPos(0), 50);
  hosted.Ruler.SetGripsMin(0, 60);  // a maximum not above the minimum limits nothing
  hosted.Ruler.SetGripsPos(0, -7);
  EXPECT_EQ(hosted.Ruler.GetGripsPos(0), -7);
}

TEST(RulerBox, FitInViewFollowsTheControlsLength) {
  THostedRuler hosted(289, 40);
  hosted.Ruler.SetViewMax(255);
  hosted.Ruler.SetFitInView(true);
  EXPECT_DOUBLE_EQ(hosted.Ruler.DotPerUnit(), 289.0 / 255);
  hosted.Ruler.SetDPU(3);  // the fit wins
  EXPECT_DOUBLE_EQ(hosted.Ruler.DotPerUnit(), 289.0 / 255);
  hosted.Ruler.SetBounds(0, 0, 510, 40);
  EXPECT_DOUBLE_EQ(hosted.Ruler.DotPerUnit(), 2);
  hosted.Ruler.SetViewPos(40);  // the whole range is in view: the view starts at its minimum
  EXPECT_EQ(hosted.Ruler.ViewPos(), 0);
}

TEST(RulerBox, ViewPositionKeepsWithinTheViewLimits) {
  THostedRuler hosted(100, 40);
  hosted.Ruler.SetViewPos(-50);  // no limits while ViewMin is not below ViewMax
  EXPECT_EQ(hosted.Ruler.ViewPos(), -50);
  hosted.Ruler.SetViewMin(0);
  hosted.Ruler.SetViewMax(500);
  EXPECT_EQ(hosted.Ruler.ViewPos(), 0);
  hosted.Ruler.SetDPU(2);
  hosted.Ruler.SetViewPos(1000);
  EXPECT_EQ(hosted.Ruler.ViewPos(), 450);
}

TEST(RulerBox, GuardedSettersKeepTheirValueForZeroNegativeAndNonFiniteInput) {
  THostedRuler hosted;
  TRulerBox& ruler = hosted.Ruler;
  const double bad[] = {0, -1, -1e-300, std::nan(""), std::numeric_limits<double>::infinity()};
  for (double v : bad) {
    ruler.SetDPU(v);
    ruler.SetFrequency(v);
    ruler.SetLabelFreq(v);
    EXPECT_EQ(ruler.DotPerUnit(), 1.0) << v;
    EXPECT_EQ(ruler.Frequency(), 10.0) << v;
    EXPECT_EQ(ruler.LabelFreq(), 40.0) << v;
  }
  for (double v : {std::nan(""), -std::numeric_limits<double>::infinity()}) {
    ruler.SetViewPos(v), ruler.SetViewMin(v), ruler.SetViewMax(v), ruler.SetGripsPos(0, v);
    EXPECT_EQ(ruler.ViewPos(), 0);
    EXPECT_EQ(ruler.ViewMin(), 0);
    EXPECT_EQ(ruler.ViewMax(), 0);
    EXPECT_EQ(ruler.GetGripsPos(0), 0);
  }
  ruler.SetGripsCount(-3);
  EXPECT_EQ(ruler.GripsCount(), 0);
  ruler.SetGripsCount(1 << 30);
  EXPECT_EQ(ruler.GripsCount(), TRulerBox::kMaxGrips);
  ruler.SetGripBaseDim(-4);
  EXPECT_EQ(ruler.GripBaseDim(), 0);
}

// Ticks far denser than pixels, and labels of huge values, still draw in bounded time.
TEST(RulerBox, DenseTicksAndHugeValuesDrawAtOnce) {
  THostedRuler hosted;
  hosted.Ruler.SetFrequency(1e-300);
  hosted.Ruler.SetLabelFreq(1e-9);
  hosted.Ruler.SetViewPos(1e300);
  const TBitmap shot = hosted.Host.Snapshot();
  EXPECT_EQ(shot.Width(), 300);
  hosted.Ruler.SetDPU(1e300);
  hosted.Ruler.SetViewPos(-1e300);
  hosted.Host.Snapshot();
  // Grips far out of view, on both rulers, with the widest base.
  for (TRulerDir dir : {rdHorizontal, rdVertical}) {
    THostedRuler far(dir == rdHorizontal ? 300 : 40, dir == rdHorizontal ? 40 : 300);
    far.Ruler.SetRulerDir(dir);
    far.Ruler.SetGripBaseDim(TRulerBox::kMaxGripBaseDim);
    far.Ruler.SetGripsCount(3);
    far.Ruler.SetGripsKind(1, gkArrow);
    far.Ruler.SetGripsPos(0, 1e300), far.Ruler.SetGripsPos(1, -1e300), far.Ruler.SetGripsPos(2, 3e9);
    EXPECT_EQ(far.Ruler.GripPixel(0), TRulerBox::kFarPixel);
    EXPECT_EQ(far.Ruler.GripPixel(1), -TRulerBox::kFarPixel);
    far.Host.Snapshot();
    far.Ruler.MouseDown(mbLeft, {ssLeft}, 5, 5);
    far.Ruler.MouseMove({ssLeft}, -5, -5);
    far.Ruler.MouseUp(mbLeft, {}, -5, -5);
  }
}

TEST(RulerBox, IndexesBeyondTheGripsAreIgnoredOrReadAsZero) {
  THostedRuler hosted;
  hosted.Ruler.SetGripsCount(2);
  hosted.Ruler.SetGripsPos(1, 30);
  for (int32_t i : {5, 2, -1}) {
    hosted.Ruler.SetGripsPos(i, 7), hosted.Ruler.SetGripsCol(i, clWhite), hosted.Ruler.SetGripsKind(i, gkArrow);
    hosted.Ruler.SetGripsMin(i, 1), hosted.Ruler.SetGripsMax(i, 9);
    EXPECT_EQ(hosted.Ruler.GetGripsPos(i), 0);
    EXPECT_EQ(hosted.Ruler.GetGripsCol(i), 0);
    EXPECT_EQ(hosted.Ruler.GetGripsKind(i), gkTriangle);
    EXPECT_EQ(hosted.Ruler.GetGripsMin(i), 0);
    EXPECT_EQ(hosted.Ruler.GetGripsMax(i), 0);
  }
  EXPECT_EQ(hosted.Ruler.GetGripsPos(1), 30);
  EXPECT_EQ(hosted.Log.PosChanges, (std::vector<int32_t>{1}));
  // New grips take the ruler's background and view limits.
  hosted.Ruler.SetBackground(0x112233);
  hosted.Ruler.SetViewMax(80);
  hosted.Ruler.SetGripsCount(3);
  EXPECT_EQ(hosted.Ruler.GetGripsCol(2), 0x112233);
  EXPECT_EQ(hosted.Ruler.GetGripsMax(2), 80);
}

// Grip base 12 on a 40-pixel ruler whose strip is Trunc(9 x 1.7) + 3 = 18: the grip at pixel 50.
TEST(RulerBox, GripShapes) {
  struct TCase {
    TGripKind Kind;
    TGripsDir Dir;
    std::vector<TPoint> Points;
  };
  const TCase cases[] = {
      {gkTriangle, gdUp, {{44, 39}, {56, 39}, {50, 18}}},
      {gkLeftTriangle, gdUp, {{44, 39}, {50, 39}, {50, 18}}},
      {gkRightTriangle, gdDown, {{50, 0}, {56, 0}, {50, 21}}},
      {gkArrow, gdUp, {{47, 39}, {53, 39}, {53, 25}, {56, 25}, {50, 18}, {44, 25}, {47, 25}}},
      {gkArrow, gdDown, {{47, 0}, {53, 0}, {53, 14}, {56, 14}, {50, 21}, {44, 14}, {47, 14}}},
      {gkArrow2, gdUp, {{44, 39}, {56, 39}, {56, 28}, {50, 18}, {44, 28}}},
      {gkArrow2, gdDown, {{44, 0}, {56, 0}, {56, 10}, {50, 21}, {44, 10}}},
  };
  for (const TCase& c : cases) {
    THostedRuler hosted;
    hosted.Ruler.SetGripsDir(c.Dir);
    hosted.Ruler.SetGripsKind(0, c.Kind);
    hosted.Ruler.SetGripsPos(0, 25);
    hosted.Ruler.SetDPU(2);
    EXPECT_EQ(hosted.Ruler.GripPolygon(0), c.Points) << int(c.Kind) << " " << int(c.Dir);
  }
  // A vertical ruler exchanges the coordinates.
  THostedRuler vertical(40, 300);
  vertical.Ruler.SetRulerDir(rdVertical);
  vertical.Ruler.SetGripsPos(0, 50);
  EXPECT_EQ(vertical.Ruler.GripPolygon(0), (std::vector<TPoint>{{39, 44}, {39, 56}, {18, 50}}));
  EXPECT_EQ(vertical.Ruler.GripHitRect(0), Rect(18, 44, 40, 57));
}

TEST(RulerBox, PressesDragsClicksAndDoubleClicks) {
  THostedRuler hosted;
  TRulerBox& ruler = hosted.Ruler;
  ruler.SetGripsCount(2);
  ruler.SetGripsPos(0, 50), ruler.SetGripsPos(1, 54);  // overlapping: the later grip is on top
  hosted.Log.PosChanges.clear();
  ruler.MouseDown(mbLeft, {ssLeft}, 52, 35);
  ruler.MouseUp(mbLeft, {}, 52, 35);
  EXPECT_EQ(hosted.Log.Clicks, (std::vector<int32_t>{1}));
  ruler.MouseDown(mbLeft, {ssLeft, ssDouble}, 52, 35);
  EXPECT_EQ(hosted.Log.DoubleClicks, (std::vector<int32_t>{1}));
  ruler.MouseMove({ssLeft}, 100, 10);  // the offset from the press is kept: 54 + 48
  EXPECT_EQ(ruler.GetGripsPos(1), 102);
  ruler.MouseUp(mbLeft, {}, 100, 10);
  EXPECT_EQ(hosted.Log.Clicks.size(), 1u);
  EXPECT_EQ(hosted.Log.PosChanges, (std::vector<int32_t>{1}));
  // Beside the grips: the ruler value under the press.
  ruler.SetDPU(4);
  ruler.SetViewPos(10);
  ruler.MouseDown(mbLeft, {ssLeft}, 250, 5);
  EXPECT_EQ(hosted.Log.RulerClicks, (std::vector<double>{72.5}));
  ruler.MouseMove({ssLeft}, 20, 20);
  EXPECT_EQ(ruler.GetGripsPos(0), 50);
  EXPECT_EQ(hosted.Log.PosChanges.size(), 1u);
}

// Beyond an end the ruler scrolls one pixel at once and one per timer tick, until the pointer
// returns or the button goes up; nothing waits inside the move.
TEST(RulerBox, DraggingPastAnEndScrollsOnTheTimer) {
  THostedRuler hosted;
  TRulerBox& ruler = hosted.Ruler;
  ruler.SetViewMin(-100);
  ruler.SetViewMax(1000);
  ruler.SetViewPos(0);
  ruler.SetGripsPos(0, 20);
  hosted.Log.PosChanges.clear();
  ruler.MouseDown(mbLeft, {ssLeft}, 22, 35);  // offset -2
  ruler.MouseMove({ssLeft}, -5, 35);
  EXPECT_EQ(ruler.ViewPos(), -1);
  EXPECT_EQ(ruler.GetGripsPos(0), -3);  // one pixel before the edge, with the offset, at the old view
  hosted.Host.Clock().Advance(TRulerBox::kScrollIntervalMs * 4);
  EXPECT_EQ(ruler.ViewPos(), -5);
  EXPECT_EQ(ruler.GetGripsPos(0), -7);
  EXPECT_EQ(hosted.Log.PosChanges.size(), 5u);
  ruler.MouseMove({ssLeft}, 10, 35);  // back inside: a plain drag again
  hosted.Host.Clock().Advance(TRulerBox::kScrollIntervalMs * 4);
  EXPECT_EQ(ruler.ViewPos(), -5);
  EXPECT_EQ(ruler.GetGripsPos(0), 3);
  // Past the far end, then the release ends it; the view limits hold meanwhile.
  ruler.MouseMove({ssLeft}, 400, 35);
  EXPECT_EQ(ruler.ViewPos(), -4);
  EXPECT_EQ(ruler.GetGripsPos(0), 293);
  ruler.MouseUp(mbLeft, {}, 400, 35);
  EXPECT_EQ(hosted.Host.Clock().ActiveCount(), 0);
  ruler.MouseDown(mbLeft, {ssLeft}, 297, 35);  // the grip's pixel: 293 + 4
  ruler.MouseMove({ssLeft}, 300, 35);
  hosted.Host.Clock().Advance(TRulerBox::kScrollIntervalMs * 2000);
  EXPECT_EQ(ruler.ViewPos(), 700);
  EXPECT_EQ(ruler.GetGripsPos(0), 1000);
}

TEST(RulerBox, ArrowKeysMoveTheCurrentGripByPixels) {
  THostedRuler hosted;
  TRulerBox& ruler = hosted.Ruler;
  ruler.SetGripsCount(2);
  ruler.SetDPU(2);
  ruler.KeyDown(vkRight, {});
  EXPECT_EQ(ruler.GetGripsPos(0), 0.5);
  ruler.KeyDown(vkNext, {});
  ruler.KeyDown(vkRight, {ssShift});
  EXPECT_EQ(ruler.GetGripsPos(1), 5);
  ruler.KeyDown(vkLeft, {});
  EXPECT_EQ(ruler.GetGripsPos(1), 4.5);
  ruler.KeyDown(vkUp, {});  // not along a horizontal ruler
  EXPECT_EQ(ruler.GetGripsPos(1), 4.5);
  ruler.SetRulerDir(rdVertical);
  ruler.KeyDown(vkUp, {});
  EXPECT_EQ(ruler.GetGripsPos(1), 4);
  EXPECT_EQ(ruler.CurrentGrip(), 1);
}

// A 100 x 30 ruler seen from -5 with a filled triangle and an outlined arrow, then the same
// ruler turned upright with the scale on the right, hexadecimal labels written downwards and
// the grips pointing right.
TEST(RulerBox, DrawsStripTicksLabelsAndGrips) {
  THostedRuler hosted(100, 30);
  TRulerBox& ruler = hosted.Ruler;
  ruler.SetBackground(0x808080);
  ruler.SetRulerColor(0x00FFFF);
  ruler.SetGripsCount(2);
  ruler.SetGripsPos(0, 12);
  ruler.SetGripsPos(1, 75);
  ruler.SetGripsKind(1, gkArrow);
  ruler.SetGripsCol(1, clWhite);
  ruler.SetGripsCol(0, 0x0000FF);
  ruler.SetViewPos(-5);
  const std::map<TColor, char> legend{
      {clWhite, '.'}, {clBlack, '#'}, {0x808080, ' '}, {0x00FFFF, '-'}, {0x0000FF, 'r'}};
  EXPECT_EQ(kxtest::TextShot(hosted.Host.Snapshot(), legend),
            R"(----------------------------------------------------------------------------------------------------
---###------------------------------------#---###-------------------------------###---###-----------
--#---#----------------------------------##--#---#-----------------------------#---#-#---#----------
--#--##---------------------------------#-#--#--##-----------------------------#---#-#--##----------
--#-#-#--------------------------------#--#--#-#-#------------------------------###--#-#-#----------
--##--#--------------------------------#####-##--#-----------------------------#---#-##--#----------
--#---#-----------------------------------#--#---#-----------------------------#---#-#---#----------
---###------------------------------------#---###-------------------------------###---###-----------
----------------------------------------------------------------------------------------------------
----------------------------------------------------------------------------------------------------
-----#---------------------------------------#---------------------------------------#--------------
-----#---------------------------------------#---------------------------------------#--------------
-----#---------------------------------------#---------------------------------------#--------------
-----#---------------------------------------#---------------------------------------#--------------
-----#---------------------------------------#---------------------------------------#--------------
-----#---------#---------#---------#---------#---------#---------#---------#---------#---------#----
-----#---------#---------#---------#---------#---------#---------#---------#---------#---------#----
-----#---------#---------#---------#---------#---------#---------#---------#---------#---------#----
-----#---------#---------#---------#---------#---------#---------#---------#---------#---------#----
                #r#                                                           ##..##                
                #r#                                                         ##......##              
               #rrr#                                                      ####.....####             
               #rrr#                                                         #.....#                
              #rrrrr#                                                        #.....#                
              #rrrrr#                                                        #.....#                
             #rrrrrrr#                                                       #.....#                
             #rrrrrrr#                                                       #.....#                
            #rrrrrrrrr#                                                      #.....#                
            #rrrrrrrrr#                                                      #.....#                
           #############                                                     #######                
)");
  ruler.SetRulerDir(rdVertical);
  ruler.SetBounds(0, 0, 30, 100);
  ruler.SetHexLabels(true);
  ruler.SetGripsDir(gdDown);
  EXPECT_EQ(kxtest::TextShot(hosted.Host.Snapshot(), legend),
            R"(            ------------------
            ------------------
            -----------#####--
            ----------#-#---#-
            ----------#--#--#-
            #########-#---#-#-
            -----------#####--
            ------------------
            ------------------
            ------------------
            ------------------
#           ------------------
###         ------------------
#rr##       ------------------
#rrrr##     ------------------
#rrrrrr##   ####--------------
#rrrrrrrr## ------------------
#rrrrrrrrrr#------------------
#rrrrrrrr## ------------------
#rrrrrr##   ------------------
#rrrr##     ------------------
#rr##       ------------------
###         ------------------
#           ------------------
            ------------------
            ####--------------
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ####--------------
            ------------------
            ------------------
            ------------------
            ----------#----#--
            ----------##----#-
            ----------#-#---#-
            ----------#--#--#-
            ----------#---##--
            ------------------
            #########--##-##--
            ----------#--#--#-
            ----------#--#--#-
            ----------#--#--#-
            -----------##-##--
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ####--------------
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ####--------------
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
      #     ------------------
      ##    ####--------------
      #.#   ------------------
#######.#   ------------------
#........#  ------------------
#.........# -----------#--###-
#..........#----------#---#-#-
#.........# ----------#---#-#-
#........#  ----------#---#-#-
#######..#  -----------###--#-
      #.#   ------------------
      ##    #########--#####--
      #     ----------#-#---#-
            ----------#--#--#-
            ----------#---#-#-
            -----------#####--
            ------------------
            ------------------
            ------------------
            ------------------
            ------------------
            ####--------------
            ------------------
            ------------------
            ------------------
            ------------------
)");
}

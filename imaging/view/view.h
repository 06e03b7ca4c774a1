// TKestrixView: the control that owns one picture and shows it at a zoom, scrolled to an
// origin, optionally centred over a patterned background, with a marching-ants selection that
// the mouse draws as a rectangle, polygon, ellipse or magic-wand outline. It paints into its
// back buffer; a host (headless or a toolkit window) shows it and feeds input back.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/view/view_base.h"
#include "imaging/view/view_selection.h"

namespace kx {

enum TKXBackgroundStyle : uint8_t {
  kxbsSolid,
  kxbsHorizontal,
  kxbsVertical,
  kxbsFDiagonal,
  kxbsBDiagonal,
  kxbsCross,
  kxbsDiagCross,
  kxbsChessboard,
  kxbsDiagonals
};
enum TKXMouseInteractItems : uint8_t {
  miZoom,
  miScroll,
  miSelect,
  miSelectPolygon,
  miSelectCircle,
  miSelectZoom,
  miSelectMagicWand
};
using TKXMouseInteract = TEnumSet<TKXMouseInteractItems>;
enum TKXSelectionOptionsItem : uint8_t { kxsoAnimated, kxsoSizeable, kxsoMoveable };
using TKXSelectionOptions = TEnumSet<TKXSelectionOptionsItem>;
enum TKXSelectionBase : uint8_t { kxsbClientArea, kxsbBitmap };
enum TKXSelectOp : uint8_t { kxspReplace, kxspAdd };
enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

using TKXViewChangeEvent = TEvent<TKXView*, int32_t>;

// Largest zoom, in percent: 100 times. With the pixel limit it keeps every zoomed size, origin
// and client coordinate within 64-bit arithmetic and the origin within 32 bits is clamped.
constexpr int32_t kKXMaxZoom = 10000;
// The zoom click steps below 100 %.
constexpr int32_t kKXZoomSteps[] = {2, 5, 10, 25, 33, 50, 75, 100};
// Timer ids of the view.
constexpr int32_t kKXAnimationTimer = 1;
constexpr int32_t kKXAutoScrollTimer = 2;
constexpr int32_t kKXAnimationInterval = 150;
constexpr int32_t kKXAutoScrollInterval = 50;

// The zoom a left (zoom in) or right (zoom out) click leads to.
int32_t KXNextZoom(int32_t zoom, bool zoomIn);

class TKestrixView : public TKXView {
 public:
  TKestrixView();
  ~TKestrixView() override;

  // The picture, created once; replace its content through Assign, Blank or the components.
  TBitmap& Bitmap() { return fBitmap; }
  TBitmap* GetFBitmap() override { return &fBitmap; }

  void SetBackGround(TColor color) override;
  TKXBackgroundStyle BackgroundStyle() const { return fBackgroundStyle; }
  void SetBackgroundStyle(TKXBackgroundStyle style);
  TResampleFilter ZoomFilter() const { return fZoomFilter; }
  void SetZoomFilter(TResampleFilter filter);
  TScrollStyle ScrollBars() const { return fScrollBars; }
  void SetScrollBars(TScrollStyle bars);
  bool Center() const { return fCenter; }
  void SetCenter(bool center);
  bool AutoFit() const { return fAutoFit; }
  void SetAutoFit(bool autoFit);
  bool DoubleBuffer() const { return fDoubleBuffer; }
  void SetDoubleBuffer(bool doubleBuffer);
  TKXMouseInteract MouseInteract() const { return fMouseInteract; }
  // Adding an item removes the items it cannot be combined with.
  void SetMouseInteract(TKXMouseInteract items);
  TKXSelectionOptions SelectionOptions() const { return fSelectionOptions; }
  void SetSelectionOptions(TKXSelectionOptions options);
  TKXSelectionBase SelectionBase() const { return fSelectionBase; }
  void SetSelectionBase(TKXSelectionBase base) { fSelectionBase = base; }
  bool DelayZoomFilter() const { return fDelayZoomFilter; }
  void SetDelayZoomFilter(bool delay) { fDelayZoomFilter = delay; }
  int32_t MagicWandTolerance() const { return fMagicWandTolerance; }
  void SetMagicWandTolerance(int32_t tolerance) { fMagicWandTolerance = tolerance; }
  bool MagicWandMaxFilter() const { return fMagicWandMaxFilter; }
  void SetMagicWandMaxFilter(bool on) { fMagicWandMaxFilter = on; }
  TColor SelColor1() const { return fSel.Color1; }
  TColor SelColor2() const { return fSel.Color2; }
  void SetSelColor1(TColor c) { fSel.Color1 = c; }
  void SetSelColor2(TColor c) { fSel.Color2 = c; }

  TKXViewChangeEvent OnViewChange;  // 0: the origin moved, 1: the zoom changed
  TKXViewNotify OnImageChange;
  TKXViewNotify OnSelectionChanging;
  TKXViewNotify OnSelectionChange;
  TKXViewNotify OnMouseInSel;

  // Zoom in percent, 1..kKXMaxZoom.
  int32_t Zoom() const { return fZoom; }
  void SetZoom(int32_t zoom);
  int32_t ViewX() const { return fViewX; }
  int32_t ViewY() const { return fViewY; }
  void SetViewXY(int32_t x, int32_t y);
  void SetViewX(int32_t x) { SetViewXY(x, fViewY); }
  void SetViewY(int32_t y) { SetViewXY(fViewX, y); }
  void ZoomAt(int32_t x, int32_t y, int32_t zoom);
  void Fit();
  void ZoomSelection();
  int32_t IdealComponentWidth() const;
  int32_t IdealComponentHeight() const;

  // Geometry of the last Update.
  int64_t ZoomedWidth() const { return fZoomedWidth; }
  int64_t ZoomedHeight() const { return fZoomedHeight; }
  int32_t ExtentWidth() const { return fExtentWidth; }
  int32_t ExtentHeight() const { return fExtentHeight; }
  int32_t OffsetX() const { return fOffsetX; }
  int32_t OffsetY() const { return fOffsetY; }
  // Largest origin for the current zoom and client size.
  TPoint MaxView() const;

  // Client <-> picture coordinates (rounded to nearest, ties to even).
  int32_t XScr2Bmp(int32_t x) const;
  int32_t YScr2Bmp(int32_t y) const;
  int32_t XBmp2Scr(int32_t x) const;
  int32_t YBmp2Scr(int32_t y) const;

  void Update();
  // Paints now (unless locked) and shows the result.
  void Paint() override;
  // Paints the view's client area onto `target` (at least client-sized).
  void PaintTo(TBitmap& target);
  // Draws only the visible part of the picture at (0, 0) of `target`, at the extent size.
  void DrawTo(TBitmap& target);

  void LockPaint() { ++fLockPaint; }
  void UnLockPaint();
  void NPUnLockPaint();
  int32_t PaintLockCount() const { return fLockPaint; }

  // The methods that replace or repaint the picture's pixels (Clear, Blank, Assign, the polygon
  // copies, AssignSelTo into this view) throw EKXBusy while a long operation works on it.
  void Clear();
  void Blank();
  // No source clears; a view's picture, background and resolution are copied; a bitmap's
  // pixels are copied (other formats are drawn onto a 24-bit picture).
  virtual void Assign(const TKestrixView* source);
  void Assign(const TBitmap* source);
  // The picture was replaced: repaints, lets the bitmap-change listeners take the bitmap again
  // and raises OnImageChange. The components call it after a load.
  void PictureChanged();
  // The listeners take the bitmap again after an operation changed the picture.
  void ImageChange() override { CallBitmapChangeEvents(); }
  // True while a long operation (a load, a save, an edit) works on the picture; a host such as
  // the composite marks it, so that nothing replaces the pixels under the operation.
  bool Busy() const { return fBusy > 0; }

  // Selection. Coordinates are client or picture ones as SelectionBase says.
  void Select(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TKXSelectOp op);
  void SelectMagicWand(int32_t x, int32_t y, TKXSelectOp op);
  void AddSelPoint(int32_t x, int32_t y);
  void AddSelBreak();
  void DeSelect();
  int32_t SelX1() const { return fSel.X1; }
  int32_t SelY1() const { return fSel.Y1; }
  int32_t SelX2() const { return fSel.X2; }
  int32_t SelY2() const { return fSel.Y2; }
  int32_t PolySelCount() const { return fSel.Count(); }
  TPoint PolySel(int32_t i) const { return fSel.Points[size_t(i)]; }
  const TPoint* PolySelArray() const { return fSel.Points.data(); }
  bool VisibleSelection() const { return fSel.Visible; }
  void SetVisibleSelection(bool visible);
  int32_t SelectionPhase() const { return fSel.Phase; }
  // A rectangle grip or the inside under client point (x, y): 0..7 for a grip, 8 inside, -1
  // elsewhere or when the selection is no visible rectangle.
  int32_t GripAt(int32_t x, int32_t y) const;
  // The mouse's handling of a rectangle: move grip `grip` to client point (x, y); returns the
  // grip now held (it swaps when the pointer crosses the opposite side).
  int32_t SelectResizeEx(int32_t grip, int32_t x, int32_t y);
  // Moves the rectangle held at the press by the pointer's movement since then, in picture
  // pixels.
  void SelectMoveEx(int32_t x, int32_t y);
  // Copies the selected region, outside the polygon filled with the background, into a view
  // (with background and resolution) or a bitmap.
  void AssignSelTo(TKestrixView& target);
  void AssignSelTo(TBitmap& target);
  // Copies the region of `source` inside `points` (source coordinates) so that its bounding
  // box's top-left corner lands on picture point `dest`, enlarging the picture to hold it.
  void CopyFromPolygon(const TBitmap& source, const TPoint* points, int32_t count, TPoint dest);
  // Fills the picture's region inside `points` from `source`, whose point `from` maps to the
  // region's bounding-box corner.
  void CopyToPolygon(const TBitmap& source, const TPoint* points, int32_t count, TPoint from);

  void SaveCursor(TCursor cursor);
  void RestoreCursor();

  void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void MouseMove(TShiftState shift, int32_t x, int32_t y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void Scrolled(TScrollBarKind kind, int32_t position) override;
  // True while a polygon is being drawn.
  bool DrawingPolygon() const { return fPolyDrawing; }

 protected:
  void Resize() override;
  void Timer(int32_t id) override;
  void BeginBusy() { ++fBusy; }
  void EndBusy() { --fBusy; }
  // Throws EKXBusy while Busy.
  void RefuseWhileBusy() const;

 private:
  enum TDrag : uint8_t { dgNone, dgClick, dgScroll, dgRect, dgMove, dgResize, dgEllipse, dgWand };

  int64_t Zoomed(int32_t size) const;
  bool UpdatePass();
  void UpdateScrollBar(TScrollBarKind kind, bool allowed, int32_t maxOrigin, int32_t client, int32_t origin);
  void PaintBackground(TBitmap& target, const TRect& except);
  // Draws `source` (picture pixels) enlarged onto `dest` through the zoom filter.
  void DrawFiltered(TBitmap& target, const TRect& dest, const TRect& source);
  void CopyBufferToWindow();
  TRect SourceRect(bool correct) const;
  TRect PictureRect() const;
  void Changed(int32_t change) { OnViewChange(this, change); }
  void SelectBmp(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TKXSelectOp op);
  void ShowSelection();
  TPoint ClampToPicture(int32_t x, int32_t y) const;
  TPoint ToPicture(int32_t x, int32_t y) const;
  void DrawSelection(bool announce);
  void DrawRubberBand();
  void MoveRubberBand(int32_t x, int32_t y, TShiftState shift);
  void PolygonPress(TShiftState shift, int32_t x, int32_t y);
  void Announce(const TRect& r);
  void EndPolygon(bool dropLast);
  void BuildEllipse(TShiftState shift, int32_t x, int32_t y);
  void DragTo(TShiftState shift, int32_t x, int32_t y);
  bool AutoScroll(int32_t x, int32_t y);
  void HoverCursor(int32_t x, int32_t y);
  TPoint ConstrainPolygonPoint(int32_t x, int32_t y) const;

  TBitmap fBitmap;
  TBitmap fOffscreen;
  TKXBackgroundStyle fBackgroundStyle = kxbsSolid;
  TResampleFilter fZoomFilter = rfNone;
  TScrollStyle fScrollBars = ssNone;
  bool fCenter = false;
  bool fAutoFit = false;
  bool fDoubleBuffer = false;
  TKXMouseInteract fMouseInteract;
  TKXSelectionOptions fSelectionOptions{kxsoAnimated, kxsoSizeable, kxsoMoveable};
  TKXSelectionBase fSelectionBase = kxsbClientArea;
  bool fDelayZoomFilter = false;
  int32_t fDelayCount = 0;
  int32_t fMagicWandTolerance = 15;
  bool fMagicWandMaxFilter = false;

  int32_t fZoom = 100;
  int32_t fViewX = 0, fViewY = 0;
  int64_t fZoomedWidth = 0, fZoomedHeight = 0;
  int32_t fExtentWidth = 0, fExtentHeight = 0;
  int32_t fOffsetX = 0, fOffsetY = 0;
  int32_t fLastWidth = -1, fLastHeight = -1;
  int32_t fLockPaint = 0;
  int32_t fBusy = 0;
  bool fBackgroundDirty = true;

  TKXSelPolygon fSel;
  std::vector<TCursor> fSavedCursors;

  // Mouse state.
  TDrag fDrag = dgNone;
  bool fPressed = false;
  TPoint fPressBmp;  // the press point in picture coordinates
  TMouseButton fDragButton = mbLeft;
  int32_t fPressX = 0, fPressY = 0;
  int32_t fPressViewX = 0, fPressViewY = 0;
  int32_t fLastX = 0, fLastY = 0;
  TShiftState fLastShift;
  TResampleFilter fSavedZoomFilter = rfNone;
  int32_t fGrip = -1;
  TKXSelPolygon fPressSel;  // the rectangle as it was at the press, for moving
  int32_t fAddStart = -1;   // first point of the sub-polygon added in this drag, or -1
  bool fPolyDrawing = false;
  bool fRubberShown = false;
  TPoint fRubberFrom, fRubberTo;
};

}  // namespace kx

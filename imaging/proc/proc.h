// TKestrixProc: the processing component. It runs operations on one 24-bit or 1-bit bitmap it
// does not own, taken from an attached view (following the view's bitmap changes) or set
// directly, keeps a one-level undo copy, restricts selection-aware work to the effective
// selection and reports progress. The geometry operations are declared here and live in one
// file per group.
#pragma once

#include <cstdint>
#include <functional>

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/view.h"
#include "platform/control.h"

namespace kx {

enum TFlipDir : uint8_t { fdHorizontal, fdVertical };

class TKestrixProc : public TFreeNotifyTarget {
 public:
  TKestrixProc();
  virtual ~TKestrixProc();
  TKestrixProc(const TKestrixProc&) = delete;
  TKestrixProc& operator=(const TKestrixProc&) = delete;

  // Attachment. Every change of attachment drops the previous working bitmap.
  TKXView* AttachedKestrix() const { return fView; }
  void SetAttachedKestrix(TKXView* view);
  void SetAttachedBitmap(TBitmap* bitmap);
  // The bitmap every operation works on, or null.
  TBitmap* WorkingBitmap() const { return fBitmap; }

  bool AutoUndo() const { return fAutoUndo; }
  void SetAutoUndo(bool on) { fAutoUndo = on; }
  // The attached view's background, else the component's own (initially black).
  TColor Background() const { return GetReBackground(); }
  void SetBackground(TColor color) { SetReBackground(color); }
  TColor GetReBackground() const;
  void SetReBackground(TColor color);
  TMsgLanguage MsgLanguage() const { return fMsgLanguage; }
  void SetMsgLanguage(TMsgLanguage language) { fMsgLanguage = language; }

  TProgressEvent OnProgress;

  // One-level undo.
  virtual void SaveUndo();
  void Undo();
  void ClearUndo();
  bool CanUndo() const { return fHasUndo; }
  bool GetCanUndo() const { return fHasUndo; }
  const TBitmap& UndoBitmap() const { return fUndo; }

  // Selection: inclusive corners in bitmap pixels. With a view, the view's selection counts.
  void Select(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TKXSelectOp op = kxspReplace);
  void SelectAll();
  // The effective selection, ordered and cut to the bitmap (x1 > x2 or y1 > y2 when nothing of
  // it is left); false, with the whole bitmap, when there is none. `polygon` and `count` are
  // the view's selection polygon (count 0 without one).
  bool GetReSel(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2, const TPoint*& polygon, int32_t& count) const;
  int32_t GetSelX1() const;
  int32_t GetSelY1() const;
  int32_t GetSelX2() const;
  int32_t GetSelY2() const;

  // Repaints the attached view.
  void Update();

  // The frame of a selection-aware operation. `routine` works on the inclusive rectangle
  // x1..x2, y1..y2 of the bitmap it is given (reporting rows through ReportRow); a polygon
  // selection runs it on a copy of the bounding box and puts back only the pixels inside.
  // Nothing happens without a 24-bit bitmap (or a 1-bit one when `oneBitToo`) or when nothing
  // of the selection lies on the bitmap.
  using TRectRoutine = std::function<void(TBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2)>;
  void RunOnSelection(const TRectRoutine& routine, bool oneBitToo = false);
  // Progress of row y of the rows y1..y2, at most 100.
  void ReportRow(int32_t y, int32_t y1, int32_t y2) const;
  // A progress record carrying OnProgress with this component as sender and no abort flag.
  TProgressRec ProgressRec() const;

  // Geometry. All work on the whole bitmap and leave it unchanged on unusable arguments.
  // New size; a negative side keeps the aspect ratio. rfNone or a 1-bit bitmap stretch plainly.
  void Resample(int32_t width, int32_t height, TResampleFilter filter);
  // New canvas size: the picture keeps its top-left corner, added area takes the background.
  void ImageResize(int32_t width, int32_t height);
  // Counter-clockwise by `angle` degrees; the uncovered corners take the background.
  void Rotate(int32_t angle, bool antialias);
  void Flip(TFlipDir direction);
  // Keeps only the selected pixels (outside a polygon: the background).
  void CropSel();

 private:
  void ControlFreed(TCustomControl& control) override;
  void OnBitmapChange(TKXView* view);
  void Detach();
  TKestrixView* View() const { return dynamic_cast<TKestrixView*>(fView); }

  bool fAutoUndo = true;
  TKXView* fView = nullptr;
  int32_t fSelX1 = -1, fSelY1 = -1, fSelX2 = -1, fSelY2 = -1;
  TColor fBackground = clBlack;
  TMsgLanguage fMsgLanguage = msSystem;
  TBitmap fUndo;
  bool fHasUndo = false;
  TBitmap* fBitmap = nullptr;
};

}  // namespace kx

// TKestrixPaletteDialog: a small modal window that shows a palette as a grid of 16 x 16 cells,
// 32 to a row, and returns the colour clicked. The I/O parameters dialog offers the palette of
// the file the options would save with it.
#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

#include "imaging/core/types.h"

class QPushButton;

namespace kx {

// The cell index under the window point (x, y) for a palette of `count` colours, or -1 where
// there is no cell (beside the 32 columns, above or left of the grid, past the last colour).
int32_t KXPaletteCellAt(int32_t x, int32_t y, int32_t count);

class TKestrixPaletteDialog : public QDialog {
 public:
  explicit TKestrixPaletteDialog(QWidget* parent = nullptr);

  // The colours shown: the first `count` of `colours` (never more than it holds).
  void SetPalette(const std::vector<TRGB>& colours, int32_t count);
  void SetCancelCaption(const QString& caption);
  // Shows the window modally; true when a colour was clicked.
  bool Execute();
  // The colour clicked.
  TColor Color() const { return fColor; }
  int32_t Hovered() const { return fHovered; }
  QPushButton* CancelButton() const { return fCancel; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  std::vector<TRGB> fColours;
  int32_t fHovered = -1;
  TColor fColor = 0;
  QPushButton* fCancel;
};

}  // namespace kx

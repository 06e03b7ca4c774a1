// The palette window: cells are painted straight from the colours, outlined in white, the one
// under the mouse in black.
#include "imaging/dialogs/palette_dialog.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace kx {

namespace {

constexpr int32_t kCell = 16;
constexpr int32_t kColumns = 32;

QRect CellRect(int32_t index) {
  const int32_t column = index % kColumns;
  const int32_t row = index / kColumns;
  // The cell spans (16 x column + 1, 16 x row + 1) to (16 x column + 16, 16 x row + 16).
  return QRect(kCell * column + 1, kCell * row + 1, kCell, kCell);
}

}  // namespace

int32_t KXPaletteCellAt(int32_t x, int32_t y, int32_t count) {
  if (x < 1 || y < 1) return -1;
  const int32_t column = (x - 1) / kCell;
  // A point right of the grid would otherwise land on a cell of the next row.
  if (column >= kColumns) return -1;
  const int64_t index = int64_t(column) + int64_t(kColumns) * ((y - 1) / kCell);
  return index < count ? int32_t(index) : -1;
}

TKestrixPaletteDialog::TKestrixPaletteDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowSystemMenuHint) {
  setObjectName("KestrixPaletteDialog");
  setFixedSize(539, 199);
  setMouseTracking(true);
  fCancel = new QPushButton("&Cancel", this);
  fCancel->setObjectName("CancelButton");
  fCancel->move(8, 144);
  connect(fCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TKestrixPaletteDialog::SetPalette(const std::vector<TRGB>& colours, int32_t count) {
  fColours.assign(colours.begin(), colours.begin() + std::clamp<int64_t>(count, 0, int64_t(colours.size())));
  fHovered = -1;
  update();
}

void TKestrixPaletteDialog::SetCancelCaption(const QString& caption) { fCancel->setText(caption); }

bool TKestrixPaletteDialog::Execute() {
  if (parentWidget() == nullptr) {
    // Centred on the screen, as a window without an owner.
    if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  }
  return exec() == QDialog::Accepted;
}

void TKestrixPaletteDialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (int32_t i = 0; i < int32_t(fColours.size()); ++i) {
    const QRect cell = CellRect(i);
    const TRGB c = fColours[size_t(i)];
    painter.fillRect(cell, QColor(c.r, c.g, c.b));
    painter.setPen(i == fHovered ? Qt::black : Qt::white);
    painter.drawRect(cell.adjusted(0, 0, -1, -1));
  }
}

void TKestrixPaletteDialog::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  const int32_t cell = KXPaletteCellAt(p.x(), p.y(), int32_t(fColours.size()));
  if (cell >= 0 && cell != fHovered) {
    fHovered = cell;
    update();
  }
}

void TKestrixPaletteDialog::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  const int32_t cell = KXPaletteCellAt(p.x(), p.y(), int32_t(fColours.size()));
  if (cell < 0) return;
  fHovered = cell;
  fColor = TRGB2TColor(fColours[size_t(cell)]);
  accept();
}

}  // namespace kx

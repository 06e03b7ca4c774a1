// Cursor ids that a control asks its host to show. The standard shapes keep the desktop's
// negative numbering; 1778..1790 are the image view's own shapes, which each host draws.
#pragma once

#include <cstdint>

namespace kx {

using TCursor = int32_t;

constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crHourGlass = -11;

// The view's shapes, in resource order; the comment gives each shape's resource name.
constexpr TCursor crKXZoomOut = 1778;  // ZOOMMENO: magnifier with a minus
constexpr TCursor crKXZoomIn = 1779;   // ZOOMPIU: magnifier with a plus
constexpr TCursor crKXCross = 1780;    // CROCE: thin cross
constexpr TCursor crKXEraser = 1781;   // GOMMA: eraser
constexpr TCursor crKXHand = 1782;     // MANO: open hand
constexpr TCursor crKXPen = 1783;      // PENNA: pen
constexpr TCursor crKXCross1 = 1784;   // CROCE1: cross with a gap
constexpr TCursor crKXCross2 = 1785;   // CROCE2: cross with a dot, the view's default
constexpr TCursor crKXMove2 = 1786;    // MOVE2: diagonal arrows, top left to bottom right
constexpr TCursor crKXMoveY = 1787;    // MOVEY: vertical arrows
constexpr TCursor crKXMove1 = 1788;    // MOVE1: diagonal arrows, top right to bottom left
constexpr TCursor crKXMoveX = 1789;    // MOVEX: horizontal arrows
constexpr TCursor crKXMove = 1790;     // MOVE: four arrows
constexpr TCursor crKXFirst = crKXZoomOut;
constexpr TCursor crKXLast = crKXMove;

}  // namespace kx

// The cursors a control's ids stand for on Qt: the desktop's standard shapes, and the image
// view's thirteen shapes drawn here.
#pragma once

#include <QCursor>

#include "platform/cursor.h"

namespace kx {

QCursor KXQtCursor(TCursor id);

}  // namespace kx

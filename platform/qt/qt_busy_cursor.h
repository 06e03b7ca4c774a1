// The busy cursor on Qt: the application-wide override cursor, which Qt keeps as a stack, so
// nested scopes restore exactly what each of them set.
#pragma once

#include "platform/busy_cursor.h"

namespace kx {

class TQtBusyCursor final : public TBusyCursor {
 public:
  void Show() override;
  void Hide() override;
};

}  // namespace kx

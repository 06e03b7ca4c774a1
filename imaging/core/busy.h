// EKXBusy: the refusal of work that would change a picture while a long operation (a load, a
// save, an edit) still works on it, as when a progress handler pumps the event loop and the
// user starts something else.
#pragma once

#include <stdexcept>

namespace kx {

class EKXBusy : public std::runtime_error {
 public:
  EKXBusy() : std::runtime_error("another operation is still working on this picture") {}
};

}  // namespace kx

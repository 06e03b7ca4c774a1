// Events as method pointers: a handler is code plus the receiver it runs on.
#pragma once

#include <utility>

namespace kx {

// An event handler: a function taking the receiver first, and the receiver itself. It counts
// as assigned when its code is set; two handlers are the same only when code and receiver are.
template <typename... Args>
struct TEvent {
  using Code = void (*)(void* receiver, Args...);
  Code code = nullptr;
  void* receiver = nullptr;

  bool Assigned() const { return code != nullptr; }
  void operator()(Args... args) const {
    if (code) code(receiver, std::forward<Args>(args)...);
  }
  friend bool operator==(const TEvent&, const TEvent&) = default;

  // Binds a member function: TEvent<...>::Bind<&TMyClass::Handler>(this).
  template <auto Method, typename Receiver>
  static TEvent Bind(Receiver* obj) {
    return TEvent{[](void* r, Args... args) { (static_cast<Receiver*>(r)->*Method)(std::forward<Args>(args)...); },
                  obj};
  }
};

}  // namespace kx

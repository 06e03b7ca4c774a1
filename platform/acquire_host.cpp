// The process's current acquisition host.
#include "platform/acquire_host.h"

namespace kx {

namespace {

TAcquireHost* gAcquireHost = nullptr;

TAcquireHost& OwnHost() {
  static THeadlessAcquireHost own;
  return own;
}

}  // namespace

TAcquireHost& KXAcquireHost() { return gAcquireHost ? *gAcquireHost : OwnHost(); }

TAcquireHost* KXSetAcquireHost(TAcquireHost* host) {
  TAcquireHost* previous = gAcquireHost;
  gAcquireHost = host;
  return previous;
}

}  // namespace kx

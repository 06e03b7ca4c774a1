// The PNG content test.
#include "imaging/io/png_codec.h"

#include <png.h>

#include "imaging/core/stream.h"

namespace kx {

bool IsPNGStream(TStream& stream) {
  try {
    const int64_t start = stream.Position();
    png_byte head[8];
    int64_t got = 0;
    while (got < 8) {
      const int64_t n = stream.Read(head + got, 8 - got);
      if (n <= 0) break;
      got += n;
    }
    stream.SetPosition(start);
    return got == 8 && png_sig_cmp(head, 0, 8) == 0;
  } catch (...) {
    return false;
  }
}

}  // namespace kx

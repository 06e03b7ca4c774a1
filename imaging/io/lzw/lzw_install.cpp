// Installing the coders as the defaults of the codecs' hooks.
#include "imaging/io/ioparams.h"
#include "imaging/io/lzw/lzw_coders.h"

namespace kx {

void KXInstallLZWCoders() {
  DefGIF_LZWDECOMPFUNC = &KXGifLZWDecode;
  DefGIF_LZWCOMPFUNC = &KXGifLZWEncode;
  DefTIFF_LZWDECOMPFUNC = &KXTiffLZWDecodeRow;
  DefTIFF_LZWCOMPFUNC = &KXTiffLZWEncodeRow;
}

}  // namespace kx

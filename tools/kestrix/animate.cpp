// `kestrix animate FILE [LOOPS]`: gives a GIF the looping extension (replacing one it has), so
// that viewers play its images LOOPS times, or for ever with 0.
#include <charconv>
#include <string>

#include "imaging/components/kestrix_io.h"
#include "imaging/core/bitmap.h"
#include "imaging/core/stream.h"
#include "imaging/io/gif_codec.h"
#include "imaging/io/ioparams.h"
#include "tools/kestrix/commands.h"
#include "tools/kestrix/errors.h"

namespace kestrix {
namespace {

uint16_t ParseLoops(const std::string& text) {
  uint32_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v > 0xFFFF)
    throw EUsageError("LOOPS needs a count of 0 to 65535, got \"" + text + "\"");
  return uint16_t(v);
}

}  // namespace

int RunAnimate(const TCommandLine& cl) {
  const std::string& file = cl.Files[0];
  const uint16_t loops = cl.Files.size() > 1 ? ParseLoops(cl.Files[1]) : 0;
  kx::TIOParamsVals params;
  try {
    kx::TFileStream stream(file, kx::fmOpenRead);
    if (!kx::GifTryStream(stream)) throw EFileFailure(file + ": not a GIF file");
    kx::TBitmap unused;
    bool aborting = false;
    kx::TProgressRec progress = kx::NullProgress();
    progress.Aborting = &aborting;
    int32_t count = 0;
    kx::ReadGifStream(stream, unused, count, params, progress, true);
    kx::_GifMakeAnimate(file, loops, params.GIF_ScreenWidth, params.GIF_ScreenHeight);
  } catch (const kx::EStreamError& e) {
    throw EFileFailure(e.what());
  }
  return 0;
}

}  // namespace kestrix

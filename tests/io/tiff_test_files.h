// What the TIFF tests share: reading a page of a file or of bytes with the reason of a failure,
// writing a picture with given parameters, and the oracles' decodings of a page.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/progress.h"
#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"
#include "imaging/io/tiff_codec.h"
#include "tests/io/text_page.h"
#include "tests/support/test_support.h"

namespace kxtest {

inline const std::string kPython = "/usr/bin/python3";
inline const std::string kConvert = "/usr/bin/convert";
inline const std::string kTiffcp = "/usr/bin/tiffcp";
inline const std::string kTiffinfo = "/usr/bin/tiffinfo";
inline const std::string kTiff2rgba = "/usr/bin/tiff2rgba";

// Writes the source files: a colour picture and a bilevel page of odd sizes in Pillow's modes.
inline const char* const kPillowSource = R"(
import sys
from PIL import Image
mode, out = sys.argv[1], sys.argv[2]
w, h = 75, 41
rgb = Image.new("RGB", (w, h))
rgb.putdata([((x * 37) % 256, (y * 51) % 256, (x * y * 13) % 256) for y in range(h) for x in range(w)])
bi = Image.new("1", (w, h))
bi.putdata([255 if ((x // 3 + y // 4) % 3 and (x * y) % 7) else 0 for y in range(h) for x in range(w)])
options = {}
if mode == "RGB": im = rgb
elif mode == "RGBA": im = rgb.convert("RGBA"); im.putalpha(128)
elif mode == "L": im = rgb.convert("L")
elif mode == "P": im = rgb.quantize(200)
elif mode == "1": im = bi
elif mode == "1g4": im, options = bi, {"compression": "group4"}
elif mode == "1g3": im, options = bi, {"compression": "group3"}
elif mode == "RGBBE": im = rgb; options = {"tiffinfo": {}}
elif mode == "RGB16": im = rgb
im.save(out, "TIFF", **options)
)";

// A TIFF source file of one of the modes above, written by Pillow.
inline std::string PillowSource(const std::string& mode) {
  const std::string path = TempPath("-" + mode + ".tif");
  EXPECT_EQ(Run(kPython + " -c " + Quote(kPillowSource) + " " + mode + " " + Quote(path)), 0);
  return path;
}

inline bool HaveTiffOracles() {
  return Have(kPython) && Have(kConvert) && Have(kTiffcp) && Have(kTiffinfo) && Have(kTiff2rgba);
}

// One read of a page: the picture, the parameters, whether it aborted and why.
struct TTiffRead {
  kx::TBitmap Bitmap;
  kx::TIOParamsVals Params;
  int32_t Pages = 0;
  bool Aborted = false;
  kx::TKXDiagnostics Diagnostics;
};

inline TTiffRead ReadTiffBytes(const std::vector<uint8_t>& bytes, int32_t page = 0, bool paramsOnly = false,
                               kx::TTIFFLZWDecompFunc lzw = nullptr) {
  TTiffRead r;
  kx::TMemoryStream stream(bytes);
  r.Params.TIFF_ImageIndex = page;
  r.Params.TIFF_LZWDecompress = lzw;
  kx::TProgressRec progress;
  progress.Aborting = &r.Aborted;
  progress.Diagnostics = &r.Diagnostics;
  kx::TIFFReadStream(r.Bitmap, stream, r.Pages, &r.Params, progress, paramsOnly);
  return r;
}

inline TTiffRead ReadTiffFile(const std::string& path, int32_t page = 0) { return ReadTiffBytes(ReadFile(path), page); }

// Writes `bitmap` as a new TIFF with `params`; the bytes, or empty when the write aborted.
inline std::vector<uint8_t> WriteTiffBytes(const kx::TBitmap& bitmap, kx::TIOParamsVals params) {
  kx::TMemoryStream stream;
  bool aborted = false;
  kx::TProgressRec progress;
  progress.Aborting = &aborted;
  kx::TBitmap copy(bitmap);
  kx::TIFFWriteStream(stream, false, copy, params, progress);
  return aborted ? std::vector<uint8_t>() : stream.Bytes();
}

// Pillow's decoding of page `page` of a TIFF file, as 24-bit pixels.
inline bool PillowDecode(const std::string& path, int page, kx::TBitmap& out) {
  const std::string ppm = TempPath(".ppm");
  const std::string script =
      "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\nim.seek(int(sys.argv[2]))\n"
      "im.convert('RGB').save(sys.argv[3])\n";
  if (Run(kPython + " -c " + Quote(script) + " " + Quote(path) + " " + std::to_string(page) + " " + Quote(ppm)) != 0)
    return false;
  return ReadNetpbm(ppm, out);
}

// libtiff's own decoding of the first page (tiff2rgba, then Pillow for the RGBA file's pixels).
inline bool LibtiffDecode(const std::string& path, kx::TBitmap& out) {
  const std::string rgba = TempPath(".tif");
  if (Run(kTiff2rgba + " -c none -n " + Quote(path) + " " + Quote(rgba) + " 2>/dev/null") != 0) return false;
  return PillowDecode(rgba, 0, out);
}

}  // namespace kxtest

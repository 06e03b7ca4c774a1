// The format table of the tool: JPEG from the library, Netpbm from the tool itself.
#include "tools/kestrix/formats.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "imaging/io/jpeg_codec.h"
#include "tools/kestrix/netpbm.h"

namespace kestrix {
namespace {

constexpr std::string_view kJpegExtensions[] = {".jpg", ".jpeg", ".jpe", ".jif", ".jfif"};
constexpr std::string_view kPgmExtensions[] = {".pgm"};
constexpr std::string_view kPnmExtensions[] = {".ppm", ".pnm", ".pbm"};

// Content tests run in this order: the JPEG marker is the surer of the two.
const TToolFormat kFormats[] = {
    {"JPEG", kx::ioJPEG, kJpegExtensions, &kx::ReadJPegStream, &kx::WriteJPegStream, &kx::JpegTryStream},
    {"Netpbm", kx::ioUnknown, kPgmExtensions, &ReadNetpbmStream, &WritePGMStream, &NetpbmTryStream},
    {"Netpbm", kx::ioUnknown, kPnmExtensions, &ReadNetpbmStream, &WritePNMStream, &NetpbmTryStream},
};
const TToolFormat& kJpeg = kFormats[0];

std::string LowerExtension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return ext;
}

const TToolFormat* ByExtension(const std::string& path) {
  const std::string ext = LowerExtension(path);
  for (const TToolFormat& f : kFormats)
    if (std::find(f.Extensions.begin(), f.Extensions.end(), ext) != f.Extensions.end()) return &f;
  return nullptr;
}

}  // namespace

const TToolFormat* InputFormat(const std::string& path, kx::TStream& stream) {
  if (const TToolFormat* f = ByExtension(path)) return f;
  for (const TToolFormat& f : kFormats)
    if (f.Try(stream)) return &f;
  return nullptr;
}

const TToolFormat& OutputFormat(const std::string& path) {
  const TToolFormat* f = ByExtension(path);
  return f ? *f : kJpeg;
}

}  // namespace kestrix

// The tool's format rules over the library's registry.
#include "tools/kestrix/formats.h"

#include <cstdio>

#include "imaging/io/format_registry.h"
#include "tools/kestrix/netpbm.h"

namespace kestrix {
namespace {

void WritePNM(kx::TStream& s, kx::TBitmap& b, kx::TIOParamsVals& p, kx::TProgressRec& pr) {
  WritePNMStream(s, b, p, pr);
}
void WritePGM(kx::TStream& s, kx::TBitmap& b, kx::TIOParamsVals& p, kx::TProgressRec& pr) {
  WritePGMStream(s, b, p, pr);
}

// The registry entry of the extension of `path`, or null.
kx::PKXFileFormatInfo ByExtension(const std::string& path) {
  const std::string ext = kx::KXLowerExtension(path);
  return ext.empty() ? nullptr : kx::KXFileFormatGetInfo2(ext.substr(1));
}

}  // namespace

void RegisterToolFormats() {
  if (kx::KXFileFormatGetInfo(kNetpbmFileType)) return;
  kx::KXFileFormatAdd({kNetpbmFileType, "Netpbm", "PPM;PNM;PBM", &ReadNetpbmStream, &WritePNM, &NetpbmTryStream});
  kx::KXFileFormatAdd({kNetpbmGrayFileType, "Netpbm Graymap", "PGM", &ReadNetpbmStream, &WritePGM, nullptr});
}

kx::TIOFileType InputFileType(const std::string& path) {
  if (const kx::TKXBuiltInFormat* builtIn = kx::KXBuiltInLoadFormat(path)) return builtIn->FileType;
  const kx::PKXFileFormatInfo info = ByExtension(path);
  return info ? info->FileType : kx::ioUnknown;
}

bool ToolReads(kx::TIOFileType fileType) { return kx::KXFileFormatAbilities(fileType).Reads; }

bool ToolWrites(kx::TIOFileType fileType) { return kx::KXFileFormatAbilities(fileType).Writes; }

kx::TIOFileType OutputFileType(const std::string& path) {
  const kx::PKXFileFormatInfo info = ByExtension(path);
  return info ? info->FileType : kx::ioJPEG;
}

std::string FormatName(kx::TIOFileType fileType) {
  const kx::PKXFileFormatInfo info = kx::KXFileFormatGetInfo(fileType);
  return info ? info->FullName : "unknown";
}

std::string FormatListing() {
  std::string text;
  for (const auto& info : kx::kxgFileFormats()) {
    const auto [r, w] = kx::KXFileFormatAbilities(info->FileType);
    char line[256];
    std::snprintf(line, sizeof line, "%4d  %-26s  %-26s  %s\n", int(info->FileType), info->FullName.c_str(),
                  info->Extensions.c_str(),
                  r && w ? "read write"
                  : r    ? "read"
                  : w    ? "write"
                         : "-");
    text += line;
  }
  return text;
}

}  // namespace kestrix

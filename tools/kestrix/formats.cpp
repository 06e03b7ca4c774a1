// The tool's format rules over the library's registry.
#include "tools/kestrix/formats.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "imaging/io/format_registry.h"
#include "tools/kestrix/errors.h"
#include "tools/kestrix/netpbm.h"

namespace kestrix {
namespace {

void WritePNM(kx::TStream& s, kx::TBitmap& b, kx::TIOParamsVals& p, kx::TProgressRec& pr) {
  WritePNMStream(s, b, p, pr);
}
void WritePGM(kx::TStream& s, kx::TBitmap& b, kx::TIOParamsVals& p, kx::TProgressRec& pr) {
  WritePGMStream(s, b, p, pr);
}
void WritePBM(kx::TStream& s, kx::TBitmap& b, kx::TIOParamsVals& p, kx::TProgressRec& pr) {
  WritePBMStream(s, b, p, pr);
}

// The type whose writer takes `extension` (lower case, no dot): a built-in row by its save
// extensions, a run-time entry by its extensions. ioUnknown when none.
kx::TIOFileType WriterFor(const std::string& extension) {
  if (extension.empty()) return kx::ioUnknown;
  if (const kx::TKXBuiltInFormat* builtIn = kx::KXBuiltInSaveFormat("x." + extension))
    return ToolWrites(builtIn->FileType) ? builtIn->FileType : kx::ioUnknown;
  const kx::PKXFileFormatInfo info = kx::KXFileFormatGetInfo2(extension);
  return info && !kx::KXBuiltInFormat(info->FileType) && info->WriteFunction ? info->FileType : kx::ioUnknown;
}

// The registry entry of the extension of `path`, or null.
kx::PKXFileFormatInfo ByExtension(const std::string& path) {
  const std::string ext = kx::KXLowerExtension(path);
  return ext.empty() ? nullptr : kx::KXFileFormatGetInfo2(ext.substr(1));
}

}  // namespace

void RegisterToolFormats() {
  if (kx::KXFileFormatGetInfo(kNetpbmFileType)) return;
  kx::KXFileFormatAdd({kNetpbmFileType, "Netpbm", "PPM;PNM", &ReadNetpbmStream, &WritePNM, &NetpbmTryStream});
  kx::KXFileFormatAdd({kNetpbmGrayFileType, "Netpbm Graymap", "PGM", &ReadNetpbmStream, &WritePGM, nullptr});
  kx::KXFileFormatAdd({kNetpbmBitmapFileType, "Netpbm Bitmap", "PBM", &ReadNetpbmStream, &WritePBM, nullptr});
}

kx::TIOFileType InputFileType(const std::string& path) {
  if (const kx::TKXBuiltInFormat* builtIn = kx::KXBuiltInLoadFormat(path)) return builtIn->FileType;
  const kx::PKXFileFormatInfo info = ByExtension(path);
  return info ? info->FileType : kx::ioUnknown;
}

bool ToolReads(kx::TIOFileType fileType) { return kx::KXFileFormatAbilities(fileType).Reads; }

bool ToolWrites(kx::TIOFileType fileType) { return kx::KXFileFormatAbilities(fileType).Writes; }

kx::TIOFileType OutputFileType(const std::string& path, const std::string& format) {
  RegisterToolFormats();
  std::string extension = format;
  if (extension.empty()) {
    if (path == "-")
      throw EUsageError("writing to standard output needs --format EXT; writable: " + WritableExtensions());
    extension = kx::KXLowerExtension(path);
    if (!extension.empty()) extension.erase(0, 1);
  }
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (extension.starts_with('.')) extension.erase(0, 1);
  const kx::TIOFileType type = WriterFor(extension);
  if (type != kx::ioUnknown) return type;
  const std::string what = !format.empty()     ? "no format called \"" + format + "\" is written"
                           : extension.empty() ? "\"" + path + "\" has no extension to choose a format by"
                                               : "no format writes ." + extension + " files";
  throw EUsageError(what + "; writable: " + WritableExtensions() + " (or --format EXT)");
}

std::string WritableExtensions() {
  RegisterToolFormats();
  std::string text;
  for (const auto& info : kx::kxgFileFormats()) {
    const kx::TKXBuiltInFormat* builtIn = kx::KXBuiltInFormat(info->FileType);
    if (!ToolWrites(info->FileType)) continue;
    for (std::string_view ext : kx::KXSplitExtensions(builtIn ? builtIn->SaveExtensions : info->Extensions)) {
      if (ext.empty()) continue;
      text += text.empty() ? "" : " ";
      for (char c : ext) text += char(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  return text;
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

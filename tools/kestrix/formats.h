// The tool's picture formats: the library's format registry, to which the tool adds its Netpbm
// exchange formats at start-up, and the rules that pick a format for a file.
#pragma once

#include <string>

#include "imaging/io/ioparams.h"

namespace kestrix {

// File type codes of the tool's own registry entries, clear of the library's codes.
constexpr kx::TIOFileType kNetpbmFileType = 100;
constexpr kx::TIOFileType kNetpbmGrayFileType = 101;
constexpr kx::TIOFileType kNetpbmBitmapFileType = 102;

// Adds the Netpbm entries to the registry; the first call only.
void RegisterToolFormats();
// The type the extension of `path` is read as (ioUnknown when the content has to decide).
kx::TIOFileType InputFileType(const std::string& path);
// Whether the library has a reader / a writer for a type.
bool ToolReads(kx::TIOFileType fileType);
bool ToolWrites(kx::TIOFileType fileType);
// The format OUT is written in: the one named by `format` (an extension, from --format) when
// given, else the one whose writer takes the extension of `path`. Throws EUsageError naming
// the writable extensions when there is none.
kx::TIOFileType OutputFileType(const std::string& path, const std::string& format);
// The extensions some writer takes, lower case, space-separated.
std::string WritableExtensions();
// The registered name of a type, or "unknown".
std::string FormatName(kx::TIOFileType fileType);
// One line per registry entry: type, name, extensions, and whether the tool reads and writes it.
std::string FormatListing();

}  // namespace kestrix

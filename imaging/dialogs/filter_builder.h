// The file type filters of the picture dialogs, built from the format registry so that a codec
// that lands shows up in the dialogs with no further change, and their translation into the
// form Qt's file dialog takes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kx {

// Which formats a filter lists: those a load reads, or those a save writes.
enum TKXFilterFormats : uint8_t { ffReadable, ffWritable };

// "All graphics|<every pattern>|<description> (<EXTS>)|<patterns>|...", in registry order.
// A format's patterns are "*.<ext>" for each extension the load (or save) picks it by, joined
// by ";"; formats without a reader (or writer) are left out, so the dialogs never offer a file
// that cannot be opened or a type that cannot be written.
std::string KXBuildStrFilter(TKXFilterFormats formats);

// One description and its ";"-separated patterns.
struct TKXFilterEntry {
  std::string Description;
  std::string Patterns;
};
// The pairs of a "|"-separated filter; a trailing description without patterns is dropped.
std::vector<TKXFilterEntry> KXSplitFilter(const std::string& filter);
// The same filter as Qt writes it: "Description (*.a *.b)" joined by ";;".
std::string KXQtNameFilters(const std::string& filter);
// The patterns of the 1-based `index`-th entry, or empty when there is none.
std::string KXFilterPatterns(const std::string& filter, int index);

}  // namespace kx

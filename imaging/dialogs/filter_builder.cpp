// Filter building over the registry records: a built-in type is listed with the extensions its
// load or save chain picks it by (a save extension the writer does not take would only fail),
// a type added at run time with its registered extensions.
#include "imaging/dialogs/filter_builder.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "imaging/io/format_registry.h"

namespace kx {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return out;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::toupper(c)); });
  return out;
}

// The extensions a format is listed with, or none when it cannot do what the filter is for.
std::vector<std::string_view> ListedExtensions(const TKXFileFormatInfo& record, TKXFilterFormats formats) {
  const TKXFormatAbilities abilities = KXFileFormatAbilities(record.FileType);
  if (!(formats == ffReadable ? abilities.Reads : abilities.Writes)) return {};
  if (const TKXBuiltInFormat* row = KXBuiltInFormat(record.FileType))
    return KXSplitExtensions(formats == ffReadable ? row->LoadExtensions : row->SaveExtensions);
  return KXSplitExtensions(record.Extensions);
}

std::string Joined(const std::vector<std::string>& parts, std::string_view separator) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : std::string(separator)) + p;
  return out;
}

}  // namespace

std::string KXBuildStrFilter(TKXFilterFormats formats) {
  std::string all, entries;
  std::set<TIOFileType> seen;
  for (const auto& record : kxgFileFormats()) {
    if (!seen.insert(record->FileType).second) continue;
    const std::vector<std::string_view> exts = ListedExtensions(*record, formats);
    if (exts.empty()) continue;
    std::vector<std::string> patterns, upper;
    for (std::string_view e : exts) {
      patterns.push_back("*." + Lower(e));
      upper.push_back(Upper(e));
    }
    const std::string joined = Joined(patterns, ";");
    all += (all.empty() ? "" : ";") + joined;
    entries += "|" + record->FullName + " (" + Joined(upper, ";") + ")|" + joined;
  }
  return "All graphics|" + all + entries;
}

std::vector<TKXFilterEntry> KXSplitFilter(const std::string& filter) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (start <= filter.size()) {
    const size_t bar = filter.find('|', start);
    fields.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::vector<TKXFilterEntry> entries;
  for (size_t i = 0; i + 1 < fields.size(); i += 2) entries.push_back({fields[i], fields[i + 1]});
  return entries;
}

std::string KXQtNameFilters(const std::string& filter) {
  std::vector<std::string> out;
  for (const TKXFilterEntry& e : KXSplitFilter(filter)) {
    std::string patterns = e.Patterns;
    std::replace(patterns.begin(), patterns.end(), ';', ' ');
    out.push_back(e.Description + " (" + patterns + ")");
  }
  return Joined(out, ";;");
}

std::string KXFilterPatterns(const std::string& filter, int index) {
  const std::vector<TKXFilterEntry> entries = KXSplitFilter(filter);
  if (index < 1 || size_t(index) > entries.size()) return {};
  return entries[size_t(index) - 1].Patterns;
}

}  // namespace kx

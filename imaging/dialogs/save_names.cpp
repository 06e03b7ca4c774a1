#include "imaging/dialogs/save_names.h"

namespace kx {

namespace {

// Position of the dot that starts the file's own extension, or npos. A leading dot names a
// hidden file, not an extension.
size_t ExtensionDot(const std::string& fileName) {
  const size_t slash = fileName.find_last_of('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos || dot <= nameStart || dot + 1 == fileName.size()) return std::string::npos;
  return dot;
}

std::string Dotted(const std::string& extension) {
  if (extension.empty() || extension[0] == '.') return extension;
  return "." + extension;
}

}  // namespace

std::string KXPatternExtension(const std::string& patterns) {
  const size_t dot = patterns.find('.');
  if (dot == std::string::npos) return {};
  const std::string ext = patterns.substr(dot, patterns.find(';', dot) - dot);
  if (ext.size() < 2 || ext.find_first_of("*?") != std::string::npos) return {};
  return ext;
}

std::string KXNameExtension(const std::string& fileName) {
  const size_t dot = ExtensionDot(fileName);
  return dot == std::string::npos ? std::string() : fileName.substr(dot);
}

std::string KXWithDefaultExtension(const std::string& fileName, const std::string& extension) {
  if (fileName.empty() || extension.empty() || ExtensionDot(fileName) != std::string::npos) return fileName;
  return fileName + Dotted(extension);
}

std::string KXWithExtension(const std::string& fileName, const std::string& extension) {
  if (fileName.empty()) return fileName;
  const size_t dot = ExtensionDot(fileName);
  return (dot == std::string::npos ? fileName : fileName.substr(0, dot)) + Dotted(extension);
}

}  // namespace kx

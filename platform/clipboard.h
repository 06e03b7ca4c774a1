// The system clipboard as the library sees it: opened for one exchange, emptied, given blocks of
// named formats, asked for one, closed. The process has one current clipboard: an in-memory one
// of its own until a desktop host installs the system's (platform/qt/qt_clipboard.h), so that a
// program without windows never touches the desktop's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kx {

// The one format the library exchanges: a device-independent bitmap (imaging/proc/dib.h). A
// desktop clipboard offers it to other programs as a BMP file, a PNG and its toolkit's own image,
// and turns whatever picture another program put there into one.
inline constexpr const char* kClipboardDIB = "dib";

class TClipboard {
 public:
  virtual ~TClipboard() = default;
  // False when the clipboard cannot be had now; every other call needs a successful Open.
  virtual bool Open() = 0;
  virtual void Close() = 0;
  // Drops whatever the clipboard holds, so the next blocks are all it offers.
  virtual void Empty() = 0;
  // Hands a block of `format` to the clipboard.
  virtual void Put(const std::string& format, std::vector<uint8_t> block) = 0;
  // Whether the clipboard can give a block of `format`.
  virtual bool Has(const std::string& format) = 0;
  // The block of `format`, or nothing.
  virtual std::optional<std::vector<uint8_t>> Get(const std::string& format) = 0;
};

// The current clipboard of the process.
TClipboard& KXClipboard();
// Installs `clipboard` as the current one (null: the process's own in-memory one again) and
// returns the previous one. The caller keeps ownership.
TClipboard* KXSetClipboard(TClipboard* clipboard);

// Installs `clipboard` for one scope and puts the previous one back.
class TClipboardScope {
 public:
  explicit TClipboardScope(TClipboard& clipboard) : fPrevious(KXSetClipboard(&clipboard)) {}
  ~TClipboardScope() { KXSetClipboard(fPrevious); }
  TClipboardScope(const TClipboardScope&) = delete;
  TClipboardScope& operator=(const TClipboardScope&) = delete;

 private:
  TClipboard* fPrevious;
};

// Opens `clipboard` for one scope and closes it on every way out.
class TClipboardSession {
 public:
  explicit TClipboardSession(TClipboard& clipboard) : fClipboard(clipboard), fOpen(clipboard.Open()) {}
  ~TClipboardSession() {
    if (fOpen) fClipboard.Close();
  }
  TClipboardSession(const TClipboardSession&) = delete;
  TClipboardSession& operator=(const TClipboardSession&) = delete;
  bool IsOpen() const { return fOpen; }

 private:
  TClipboard& fClipboard;
  bool fOpen;
};

}  // namespace kx

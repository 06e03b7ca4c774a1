// The windowed program: `quillop [--demo-scanner] [--quit-when-shown] [FILE]`.
#pragma once

#include <string>
#include <vector>

namespace quillop {

struct TWindowOptions {
  std::string File;            // a picture to open at start
  bool DemoScanner = false;    // offer the scanner library's test scanner
  bool QuitWhenShown = false;  // quit once the window (with FILE's preview) is painted
};

// Reads the words after the program's name; false on a word it does not know (`error` says
// which).
bool ParseWindowOptions(const std::vector<std::string>& args, TWindowOptions& options, std::string& error);
// Runs the application's window until it is closed; returns the exit status.
int RunQuillopWindow(int argc, char** argv, const TWindowOptions& options);

}  // namespace quillop

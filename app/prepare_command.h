// quillop --prepare: the application's whole job on one picture without a window, for users who
// prepare many pictures and for testing from outside. It loads IN, fits it as the window does,
// applies the edits in the order given and then brightness and contrast as the sliders would,
// writes the preview JPEG to OUT (replacing OUT only once the preview is complete) and prints
// the size readout.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quillop {

constexpr int kExitFailure = 1;  // a file could not be read or written, or the preview failed
constexpr int kExitUsage = 2;

// `args` are the words after --prepare. Returns the exit status; the readout goes to `out`,
// every failure as one line to `err`.
int RunPrepare(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The usage of the program's headless form.
std::string PrepareUsage();

}  // namespace quillop

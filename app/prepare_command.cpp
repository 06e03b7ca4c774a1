// The headless job: its command line, a private working folder, the pipeline and the output.
#include "app/prepare_command.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "app/pipeline.h"
#include "imaging/core/file_replace.h"
#include "imaging/core/stream.h"

namespace quillop {

namespace {

class EUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class EFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum TEdit { edRotateCW, edRotateCCW, edFlipH, edFlipV, edSharpen, edInvert };

struct TPrepareLine {
  std::string In, Out;
  int32_t Quality = kDefaultQuality, Smoothing = 0, Brightness = 0, Contrast = 0;
  std::vector<TEdit> Edits;
};

int32_t ParseNumber(const std::string& option, const std::string& text, int32_t min, int32_t max) {
  size_t used = 0;
  long value = 0;
  try {
    value = std::stol(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || text.empty() || value < min || value > max)
    throw EUsage(option + " needs a whole number from " + std::to_string(min) + " to " + std::to_string(max) +
                 ", got \"" + text + "\"");
  return int32_t(value);
}

TPrepareLine ParsePrepareLine(const std::vector<std::string>& args) {
  TPrepareLine line;
  std::vector<std::string> files;
  bool optionsEnd = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnd || a.empty() || a[0] != '-' || a == "-") {
      files.push_back(a);
      continue;
    }
    auto value = [&](const char* what) -> const std::string& {
      if (i + 1 >= args.size()) throw EUsage(a + " needs " + what);
      return args[++i];
    };
    if (a == "--") {
      optionsEnd = true;
    } else if (a == "--quality") {
      line.Quality = ParseNumber(a, value("a quality"), 0, 100);
    } else if (a == "--smoothing") {
      line.Smoothing = ParseNumber(a, value("a smoothing"), 0, 100);
    } else if (a == "--brightness") {
      line.Brightness = ParseNumber(a, value("a brightness"), -100, 100);
    } else if (a == "--contrast") {
      line.Contrast = ParseNumber(a, value("a contrast"), -100, 100);
    } else if (a == "--rotate") {
      const std::string& way = value("cw or ccw");
      if (way != "cw" && way != "ccw") throw EUsage("--rotate needs cw or ccw, got \"" + way + "\"");
      line.Edits.push_back(way == "cw" ? edRotateCW : edRotateCCW);
    } else if (a == "--flip") {
      const std::string& way = value("h or v");
      if (way != "h" && way != "v") throw EUsage("--flip needs h or v, got \"" + way + "\"");
      line.Edits.push_back(way == "h" ? edFlipH : edFlipV);
    } else if (a == "--sharpen") {
      line.Edits.push_back(edSharpen);
    } else if (a == "--invert") {
      line.Edits.push_back(edInvert);
    } else {
      throw EUsage("unknown option \"" + a + "\"");
    }
  }
  if (files.size() != 2) throw EUsage("--prepare needs IN and OUT");
  line.In = files[0];
  line.Out = files[1];
  return line;
}

// Only a regular file is read: a device or a pipe would never end, a folder is no picture.
void CheckInput(const std::string& in) {
  struct stat st {};
  if (stat(in.c_str(), &st) != 0) throw EFailure("cannot read \"" + in + "\": " + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) throw EFailure("cannot read \"" + in + "\": not a regular file");
}

void ApplyEdit(TPicturePipeline& pipeline, TEdit edit) {
  switch (edit) {
    case edRotateCW:
      return pipeline.PB_RotateCWClick();
    case edRotateCCW:
      return pipeline.PB_RotateCCWClick();
    case edFlipH:
      return pipeline.PB_FlipHClick();
    case edFlipV:
      return pipeline.PB_FlipVClick();
    case edSharpen:
      return pipeline.PB_SharpenClick();
    case edInvert:
      return pipeline.PB_InvertClick();
  }
}

void Prepare(const TPrepareLine& line, std::ostream& out) {
  CheckInput(line.In);
  const TScratchFolder scratch(TemporaryFolder(), "quillop");
  TPreviewFiles previews(scratch.Path());
  TPicturePipeline pipeline(previews);
  pipeline.LoadFitted(line.In);
  if (pipeline.Kestrix_Save.Aborting()) {
    const std::string& reason = pipeline.Kestrix_Save.Diagnostics().Reason;
    throw EFailure("cannot read \"" + line.In +
                   "\": " + (reason.empty() ? "not a picture this program reads" : reason));
  }
  pipeline.SB_JpegCompress.SetValue(line.Quality);
  pipeline.SB_JpegSmooth.SetValue(line.Smoothing);
  pipeline.PreProcessImage();
  for (const TEdit edit : line.Edits) ApplyEdit(pipeline, edit);
  if (line.Brightness != 0 || line.Contrast != 0) {
    pipeline.SB_Brightness.SetValue(line.Brightness);
    pipeline.SB_Contrast.SetValue(line.Contrast);
    pipeline.SaveTempJpeg();
  }
  const std::vector<uint8_t>& bytes = pipeline.PreviewBytes();
  kx::KXReplaceFile(line.Out, [&](kx::TStream& file) {
    file.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    return true;
  });
  out << pipeline.FileSize << '\n';
  previews.DeletePreview();
}

}  // namespace

std::string PrepareUsage() {
  return "usage: quillop --prepare IN OUT.jpg [--quality Q] [--smoothing S] [--brightness B] [--contrast C]\n"
         "                [--rotate cw|ccw]... [--flip h|v]... [--sharpen]... [--invert]...\n"
         "Fits IN to 540 pixels as the window does, applies the edits in the order given, then the\n"
         "brightness and contrast, writes the preview JPEG (quality Q, default 60; smoothing S, default 0)\n"
         "to OUT and prints its size. Q and S run from 0 to 100, B and C from -100 to 100.\n";
}

int RunPrepare(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    Prepare(ParsePrepareLine(args), out);
    return 0;
  } catch (const EUsage& e) {
    err << "quillop: " << e.what() << " (quillop --help lists the usage)\n";
    return kExitUsage;
  } catch (const std::bad_alloc&) {
    err << "quillop: out of memory\n";
  } catch (const std::exception& e) {
    err << "quillop: " << e.what() << '\n';
  }
  return kExitFailure;
}

}  // namespace quillop

// Command-line parsing and the help text.
#include "tools/kestrix/args.h"

#include <charconv>

#include "tools/kestrix/errors.h"

namespace kestrix {
namespace {

TParamAssignment ParseSet(const std::string& text) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos) throw EUsageError("--set needs Name=Value, got \"" + text + "\"");
  const std::string name = text.substr(0, eq);
  const kx::TIOParamField* field = kx::FindIOParamField(name);
  if (!field) throw EUsageError("no parameter called \"" + name + "\"");
  if (field->Kind == kx::TIOFieldKind::Count) throw EUsageError(name + " follows the palette and cannot be set");
  TParamAssignment set{field, text.substr(eq + 1)};
  kx::TIOParamsVals scratch;
  if (!field->Set(scratch, set.Value)) throw EUsageError("bad value \"" + set.Value + "\" for " + name);
  return set;
}

int64_t ParsePixelLimit(const std::string& text) {
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v <= 0)
    throw EUsageError("--pixel-limit needs a positive number of pixels, got \"" + text + "\"");
  return v;
}

// The option's value: the next argument, which must exist.
const std::string& OptionValue(const std::vector<std::string>& args, size_t& i, const char* what) {
  if (++i == args.size()) throw EUsageError(std::string(args[i - 1]) + " needs " + what);
  return args[i];
}

int32_t ParseDpi(const std::string& text) {
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v <= 0 || v > 32767)
    throw EUsageError("--dpi needs a resolution of 1 to 32767 dots per inch, got \"" + text + "\"");
  return v;
}

// The pixel types of the protocol in the order the scanner negotiates them: black and white,
// gray, colour.
int32_t ParseScanMode(const std::string& text) {
  if (text == "lineart") return 0;
  if (text == "gray") return 1;
  if (text == "color") return 2;
  throw EUsageError("--mode needs color, gray or lineart, got \"" + text + "\"");
}

int32_t ParsePageIndex(const std::string& text) {
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < 0)
    throw EUsageError("--delete needs a page number (0 is the first), got \"" + text + "\"");
  return v;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine cl;
  if (args.empty()) throw EUsageError("no command given");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    if (args.size() > 1) throw EUsageError("--help takes no arguments");
    return cl;
  }
  if (command == "info") {
    cl.Command = TCommandLine::cmInfo;
  } else if (command == "convert") {
    cl.Command = TCommandLine::cmConvert;
  } else if (command == "colors") {
    cl.Command = TCommandLine::cmColors;
  } else if (command == "formats") {
    cl.Command = TCommandLine::cmFormats;
  } else if (command == "scan") {
    cl.Command = TCommandLine::cmScan;
  } else if (command == "hide") {
    cl.Command = TCommandLine::cmHide;
  } else if (command == "reveal") {
    cl.Command = TCommandLine::cmReveal;
  } else if (command == "capacity") {
    cl.Command = TCommandLine::cmCapacity;
  } else if (command == "pages") {
    cl.Command = TCommandLine::cmPages;
  } else if (command == "animate") {
    cl.Command = TCommandLine::cmAnimate;
  } else {
    throw EUsageError("unknown command \"" + command + "\"");
  }
  const bool convert = cl.Command == TCommandLine::cmConvert;
  const bool scan = cl.Command == TCommandLine::cmScan;
  const bool hide = cl.Command == TCommandLine::cmHide;
  const bool pages = cl.Command == TCommandLine::cmPages;
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded) {
      cl.Files.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (a == "--quiet") {
      cl.Quiet = true;
    } else if (a == "--pixel-limit") {
      cl.PixelLimit = ParsePixelLimit(OptionValue(args, i, "a number of pixels"));
    } else if (convert && a == "--set") {
      cl.Sets.push_back(ParseSet(OptionValue(args, i, "Name=Value")));
    } else if ((convert || scan || hide) && a == "--format") {
      cl.OutputFormat = OptionValue(args, i, "a format's extension (see kestrix formats)");
    } else if (convert && a == "--keep-orientation") {
      cl.KeepOrientation = true;
    } else if (convert && a == "--do") {
      if (++i == args.size()) throw EUsageError("--do needs an operation");
      const TToolOperation* op = FindToolOperation(args[i]);
      if (!op) throw EUsageError("no operation called \"" + args[i] + "\"");
      if (args.size() - i - 1 < size_t(op->Arity))
        throw EUsageError(std::string(op->Name) + " needs " + std::to_string(op->Arity) + " arguments");
      TOperationCall call{op, {args.begin() + std::ptrdiff_t(i) + 1, args.begin() + std::ptrdiff_t(i) + 1 + op->Arity}};
      if (!op->Valid(call.Args)) throw EUsageError("bad arguments for " + std::string(op->Name));
      cl.Operations.push_back(std::move(call));
      i += size_t(op->Arity);
    } else if (scan && a == "--list") {
      cl.ScanList = true;
    } else if (scan && a == "--source") {
      cl.ScanSource = OptionValue(args, i, "a scanner's name (see kestrix scan --list)");
    } else if (scan && a == "--dpi") {
      cl.ScanDpi = ParseDpi(OptionValue(args, i, "a resolution in dots per inch"));
    } else if (scan && a == "--mode") {
      cl.ScanPixelType = ParseScanMode(OptionValue(args, i, "color, gray or lineart"));
    } else if (scan && a == "--test-scanner") {
      cl.TestScanner = true;
    } else if (hide && a == "--text") {
      cl.HideText = OptionValue(args, i, "the text to hide");
      cl.HasHideText = true;
      if (cl.HideText.empty()) throw EUsageError("--text needs at least one character");
    } else if (hide && a == "--file") {
      cl.HideFile = OptionValue(args, i, "the file whose bytes to hide");
    } else if (cl.Command == TCommandLine::cmReveal && a == "--out") {
      cl.RevealOut = OptionValue(args, i, "the file to write the hidden data to");
    } else if (pages && a == "--insert" && cl.PagesDelete < 0 && cl.PagesInsert.empty()) {
      cl.PagesInsert = OptionValue(args, i, "the picture file to insert");
    } else if (pages && a == "--delete" && cl.PagesDelete < 0 && cl.PagesInsert.empty()) {
      cl.PagesDelete = ParsePageIndex(OptionValue(args, i, "a page number (0 is the first)"));
    } else if (a.size() > 1 && a[0] == '-') {
      throw EUsageError("unknown option \"" + a + "\"");
    } else {
      cl.Files.push_back(a);
    }
  }
  if (cl.Command == TCommandLine::cmFormats) {
    if (!cl.Files.empty()) throw EUsageError("formats takes no files");
    return cl;
  }
  if (scan) {
    if (cl.ScanList && !cl.Files.empty()) throw EUsageError("scan --list takes no files");
    if (!cl.ScanList && cl.Files.size() != 1) throw EUsageError("scan needs OUT");
    return cl;
  }
  if (cl.Command == TCommandLine::cmAnimate) {
    if (cl.Files.empty() || cl.Files.size() > 2) throw EUsageError("animate needs FILE and at most LOOPS");
    return cl;
  }
  if (hide && cl.HasHideText == !cl.HideFile.empty())
    throw EUsageError("hide needs one of --text TEXT and --file DATA");
  const bool inOut = convert || hide;
  const size_t wanted = inOut ? 2 : 1;
  if (cl.Files.size() != wanted) throw EUsageError(command + (inOut ? " needs IN and OUT" : " needs one FILE"));
  return cl;
}

void ApplySets(const std::vector<TParamAssignment>& sets, kx::TIOParamsVals& params) {
  for (const TParamAssignment& s : sets) s.Field->Set(params, s.Value);
}

std::string HelpText() {
  std::string text =
      "usage:\n"
      "  kestrix info FILE\n"
      "      print the parameters of FILE, one Name=Value line each\n"
      "  kestrix convert IN OUT [--format EXT] [--set Name=Value]... [--do OPERATION ARG...]...\n"
      "                 [--keep-orientation] [--quiet]\n"
      "      load IN, turn it upright by its EXIF orientation, run the operations in order, save OUT\n"
      "  kestrix colors FILE [--quiet]\n"
      "      print the number of distinct colours of FILE (2 for a black-and-white picture)\n"
      "  kestrix formats\n"
      "      list the picture formats: type, name, extensions, whether they are read and written\n"
      "  kestrix scan OUT [--source NAME] [--dpi N] [--mode color|gray|lineart] [--format EXT]\n"
      "               [--test-scanner] [--quiet]\n"
      "      scan one page from the first scanner (or NAME) and save it as OUT\n"
      "  kestrix scan --list [--test-scanner]\n"
      "      list the scanners: name, then maker and model\n"
      "  kestrix hide IN OUT (--text TEXT | --file DATA) [--format EXT] [--quiet]\n"
      "      hide TEXT (its UTF-8 bytes) or the bytes of DATA in the low bits of IN's pixels, save OUT\n"
      "  kestrix reveal IN [--out DATA] [--quiet]\n"
      "      write the data hidden in IN to standard output, or to DATA\n"
      "  kestrix capacity IN [--quiet]\n"
      "      print how many bytes hide can store in IN\n"
      "  kestrix pages FILE [--insert IN | --delete N] [--quiet]\n"
      "      list the pages of a multi-page FILE (TIFF, GIF): index, size, bits, compression; or append\n"
      "      IN's picture as a new last page; or delete page N (0 is the first)\n"
      "  kestrix animate FILE [LOOPS]\n"
      "      make the GIF FILE loop LOOPS times (0, the default: for ever)\n"
      "  kestrix --help\n"
      "\n"
      "An input's format follows its extension (see `kestrix formats`), or its content when the\n"
      "extension is unknown; `info` always goes by the content. The output's format is the one\n"
      "whose writer has its extension, or --format EXT; an output no writer takes is refused.\n"
      "`-` as IN reads standard input, as OUT writes standard output (with --format); pipes and\n"
      "FIFOs may be read and written. `--` ends the options (for a file named -x).\n"
      "JPEG is written at quality 90 unless --set JPEG_Quality=N says otherwise.\n"
      "A GIF's frame N is read with --set GIF_ImageIndex=N (from 0); `info` prints ImageCount.\n"
      "--set assigns a parameter (a name that `info` prints) before loading and again before\n"
      "saving; enumerations take a name or an ordinal, booleans true/false/1/0.\n"
      "--keep-orientation keeps a JPEG's pixels as stored instead of turning them upright.\n"
      "--pixel-limit N reads and makes pictures of up to N pixels (default 268435456).\n"
      "--quiet hides the progress bar.\n"
      "scan goes through SANE; --test-scanner uses SANE's virtual test scanner instead of the\n"
      "machine's scanners. Without --dpi and --mode the scanner's own settings are used.\n"
      "hide refuses data that does not fit, and an OUT format that would not keep every pixel\n"
      "exactly (JPEG, or fewer colours): the data is read back before OUT is written. reveal fails\n"
      "on a picture that holds no hidden data (an empty block reads as none).\n"
      "Exit status: 0 done, 1 a file could not be read or written, an operation could not run or\n"
      "a scan failed (no scanner, no such scanner), 2 a usage error.\n"
      "\n"
      "operations:\n";
  if (ToolOperations().empty()) text += "  (none yet)\n";
  for (const TToolOperation& op : ToolOperations())
    text += "  " + std::string(op.Name) + (op.Arguments.empty() ? "" : " ") + std::string(op.Arguments) + "\n";
  return text;
}

}  // namespace kestrix

// The command line of the tool, parsed and checked before any file is touched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/io/ioparams_fields.h"
#include "tools/kestrix/operations.h"

namespace kestrix {

struct TParamAssignment {
  const kx::TIOParamField* Field;
  std::string Value;
};

struct TOperationCall {
  const TToolOperation* Operation;
  std::vector<std::string> Args;
};

struct TCommandLine {
  enum TCommand {
    cmHelp,
    cmInfo,
    cmConvert,
    cmColors,
    cmFormats,
    cmScan,
    cmHide,
    cmReveal,
    cmCapacity,
    cmPages,
    cmAnimate
  } Command = cmHelp;
  // FILE for info and colors; IN and OUT for convert and hide; IN for reveal and capacity; OUT for
  // scan; FILE for pages; FILE [LOOPS] for
  // animate; none for formats and scan --list
  std::vector<std::string> Files;
  std::vector<TParamAssignment> Sets;
  std::vector<TOperationCall> Operations;
  bool Quiet = false;
  // --format: the output format by one of its extensions, whatever OUT's name says.
  std::string OutputFormat;
  // --pixel-limit: the largest picture, in pixels, that the run may read or make.
  int64_t PixelLimit = 0;
  // --keep-orientation: no upright turn by the EXIF orientation after loading.
  bool KeepOrientation = false;
  // scan: --list, --source NAME, --dpi N, --mode (a TWPT_ pixel type; -1 for the scanner's own),
  // --test-scanner (SANE's virtual test scanner in place of the real ones).
  bool ScanList = false;
  std::string ScanSource;
  int32_t ScanDpi = 0;
  int32_t ScanPixelType = -1;
  bool TestScanner = false;
  // hide: --text TEXT or --file DATA, exactly one of them; reveal: --out DATA.
  bool HasHideText = false;
  std::string HideText;
  std::string HideFile;
  std::string RevealOut;
  // pages: --insert IN (appended as a new page), --delete N (0-based; -1 for none).
  std::string PagesInsert;
  int32_t PagesDelete = -1;
};

// Throws EUsageError for anything the tool does not understand.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);
// Assigns every --set value in order.
void ApplySets(const std::vector<TParamAssignment>& sets, kx::TIOParamsVals& params);
std::string HelpText();

}  // namespace kestrix

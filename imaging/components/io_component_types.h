// The small types the I/O component carries for the I/O parameters dialog and its previews; the
// scanner parameters it owns come from the scanning layer.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/core/event.h"
#include "imaging/core/types.h"
#include "imaging/scan/twain_params.h"
#include "platform/enum_set.h"

namespace kx {

enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TEnumSet<TFontStyle>;

// A font description, independent of any toolkit: the host maps it to a real font.
struct TKXFont {
  std::string Name = "Sans Serif";
  int32_t Size = 8;  // points
  TColor Color = clWindowText;
  TFontStyles Style;
  friend bool operator==(const TKXFont&, const TKXFont&) = default;
};

enum TIOPreviewsParamsItems : uint8_t { ioppDefaultLockPreview };
using TIOPreviewsParams = TEnumSet<TIOPreviewsParamsItems>;

// Pages of the I/O parameters dialog: one per format, the page of the parameter set's file type
// (ppAUTO), or every page (ppALL).
enum TPreviewParamsItems : uint8_t { ppJPEG, ppTIFF, ppGIF, ppBMP, ppPCX, ppPNG, ppTGA, ppAUTO, ppALL };
using TPreviewParams = TEnumSet<TPreviewParamsItems>;

// Sender, the dialog about to be shown.
using TKXIOPreviewEvent = TEvent<void*, void*>;

class TKestrixIO;

// The I/O parameters dialog as DoPreviews shows it. The dialog needs widgets, which live in a
// layer above the component, so the component's owner hands it one (not owned).
class TKXIOPreviewsDialog {
 public:
  virtual ~TKXIOPreviewsDialog() = default;
  // Shows the dialog modally for the component's bitmap (24-bit or 1-bit) and parameter set,
  // which it edits in place; true when it closed with OK, false also when `pages` leaves
  // nothing to show.
  virtual bool Execute(TKestrixIO& io, TPreviewParams pages) = 0;
};

}  // namespace kx

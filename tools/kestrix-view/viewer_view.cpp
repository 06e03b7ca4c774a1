// Key handling of the viewer's view.
#include "tools/kestrix-view/viewer_view.h"

#include "imaging/dialogs/io_params_pages.h"
#include "platform/keys.h"

namespace kestrixview {

using namespace kx;

const char* const kViewerKeys =
    "Z zoom clicks (left in, right out)   S scroll   R rectangle   Q zoom to rectangle\n"
    "P polygon (Ctrl constrains, double click ends)   E ellipse   W magic wand\n"
    "+ / - zoom in / out   1 zoom 100%   F fit   C centre on/off   B next background\n"
    "D double buffer on/off   Esc remove the selection   O open another picture\n"
    "H histogram of the picture (or of the selection's box) beside it, on/off\n"
    "I save options with a preview of the result (the page of the picture's format)\n"
    "Ctrl+C copy the selection (or the picture)   Ctrl+X cut the selection   Ctrl+V paste";

namespace {

const char* ModeName(TKXMouseInteract m) {
  if (m.Contains(miSelectPolygon)) return "polygon";
  if (m.Contains(miSelectCircle)) return "ellipse";
  if (m.Contains(miSelectMagicWand)) return "magic wand";
  if (m.Contains(miSelectZoom)) return "zoom to rectangle";
  if (m.Contains(miSelect)) return "rectangle";
  if (m.Contains(miScroll)) return "scroll";
  if (m.Contains(miZoom)) return "zoom";
  return "none";
}

const char* const kBackgroundNames[] = {
    "solid", "horizontal",     "vertical",   "forward diagonal", "backward diagonal",
    "cross", "diagonal cross", "chessboard", "diagonals"};

}  // namespace

void TViewerView::KeyDown(int32_t key, TShiftState shift) {
  if (shift.Contains(ssCtrl)) {
    if (key == 'C') SelCopyToClip();
    if (key == 'X') SelCutToClip();
    if (key == 'V') {
      PasteFromClipboard();
      DeSelect();
    }
    return;
  }
  switch (key) {
    case 'Z':
      SetMouseInteract({miZoom});
      break;
    case 'S':
      SetMouseInteract({miScroll});
      break;
    case 'R':
      SetMouseInteract({miSelect});
      break;
    case 'Q':
      SetMouseInteract({miSelectZoom});
      break;
    case 'P':
      SetMouseInteract({miSelectPolygon});
      break;
    case 'E':
      SetMouseInteract({miSelectCircle});
      break;
    case 'W':
      SetMouseInteract({miSelectMagicWand});
      break;
    case vkOemPlus:
    case vkAdd:
      ZoomAt(ClientWidth() / 2, ClientHeight() / 2, KXNextZoom(Zoom(), true));
      break;
    case vkOemMinus:
    case vkSubtract:
      ZoomAt(ClientWidth() / 2, ClientHeight() / 2, KXNextZoom(Zoom(), false));
      break;
    case '1':
      SetZoom(100);
      break;
    case 'F':
      Fit();
      break;
    case 'C':
      SetCenter(!Center());
      break;
    case 'B':
      SetBackgroundStyle(TKXBackgroundStyle((BackgroundStyle() + 1) % 9));
      break;
    case 'D':
      SetDoubleBuffer(!DoubleBuffer());
      break;
    case vkEscape:
      DeSelect();
      break;
    case 'O':
      OnOpenRequest();
      break;
    case 'H':
      OnHistogramRequest();
      break;
    case 'I': {
      // A picture of a format without a page (an icon) offers every page.
      TPreviewParamsItems page;
      DoIOPreviews(KXIOPageOfFileType(IOParams().FileType, page) ? TPreviewParams{ppAUTO} : TPreviewParams{ppALL});
      break;
    }
    default:
      return;
  }
  OnStatusChange();
}

std::string TViewerView::Status() const {
  return std::string(ModeName(MouseInteract())) + " | " + std::to_string(Zoom()) + "% | " +
         kBackgroundNames[BackgroundStyle()] + (Center() ? " | centred" : "") + (DoubleBuffer() ? " | buffered" : "");
}

}  // namespace kestrixview

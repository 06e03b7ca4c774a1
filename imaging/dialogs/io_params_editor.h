// TKXIOParamsEditor: the decisions of the I/O parameters dialog without its widgets. It holds
// the working copy of every page's options (loaded once from the caller's parameter set), says
// which pages show, which change starts a preview, what each control shows and whether it is
// enabled, builds the preview job of the active page, keeps the size texts, and on OK writes
// the pages the user changed into the caller's set. Cancel is simply not calling Accept.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/dialogs/io_params_pages.h"
#include "imaging/dialogs/io_params_preview.h"

namespace kx {

class TKXIOParamsEditor {
 public:
  // Pictures with more pixels than this preview on a reduced copy of this many pixels at most;
  // their size is still that of the whole picture.
  static constexpr int64_t kPreviewPixels = 540 * 540;

  // `params` is the caller's set (read now, written only by Accept); `source` is the picture,
  // 24-bit or 1-bit, copied.
  TKXIOParamsEditor(TIOParamsVals& params, const TBitmap& source);

  // Stores the page set; ppAUTO adds the page of the parameter set's file type. False when
  // there is nothing to show: the set is then only ppAUTO, or no page it names has a writer.
  bool SetPreviewParams(TPreviewParams pages);
  // Named by the page set and its format written by the registry.
  bool PageVisible(TPreviewParamsItems page) const;
  // The first visible page (ppJPEG when none is).
  TPreviewParamsItems FirstVisiblePage() const;
  TPreviewParamsItems ActivePage() const { return fActive; }
  // Makes a page active and puts its values in order for its controls (the TIFF colour list
  // follows the photometric choice). The compressed size shows "---" until its preview ran.
  void SetActivePage(TPreviewParamsItems page);

  // Down: every change that alters the picture previews at once; up: only "preview now" does.
  bool LockPreview() const { return fLockPreview; }
  void SetLockPreview(bool down) { fLockPreview = down; }
  bool PreviewButtonEnabled() const { return !fLockPreview; }

  // What a control shows: the number, list index or check state; the text; the colour.
  int32_t Value(TIOControl control) const;
  const std::string& Text(TIOControl control) const;
  TRGB Color(TIOControl control) const;
  bool Enabled(TIOControl control) const;

  // A user's change of a control. True when a preview is to run now: the value changed, it
  // alters the picture, its page is active and the lock-preview button is down.
  bool SetValue(TIOControl control, int32_t value);
  // A typed number: what does not parse counts as 0 (the JPEG quality as 50).
  bool SetNumberText(TIOControl control, std::string_view text);
  bool SetText(TIOControl control, const std::string& text);
  bool SetColor(TIOControl control, TRGB color);

  // The active page's preview.
  TKXIOPreviewJob PreviewJob() const;
  // Takes a finished preview of the active page: the compressed size and the colour map.
  void TakePreview(const TKXIOPreviewResult& result);
  // "<n> bytes" of the source picture as an uncompressed 24-bit or 1-bit bitmap.
  std::string UncompressedSizeText() const;
  // "---" until a preview ran, then "<n> bytes", or "n/a" when the writer gave up.
  const std::string& CompressedSizeText() const { return fCompressedText; }
  // The colour map of the last preview's saved file (what the palette choice offers).
  const std::vector<TRGB>& ColorMap() const { return fColorMap; }
  // Whether a colour panel offers the saved file's palette rather than any colour.
  bool ColorFromPalette(TIOControl control) const;

  // OK: writes every page the user changed and the active page into the caller's set. The
  // shared colour pair (bits and samples) comes from the active page, or, when it has none,
  // from the page whose colours were changed last.
  void Accept();

 private:
  // The page's (bits, samples) pair as saving would get it.
  TIOColorChoice Pair(TPreviewParamsItems page) const;
  // Writes a page's options into `params`, with its colour pair or without.
  void WritePage(TPreviewParamsItems page, TIOParamsVals& params, bool withPair) const;
  // The TIFF colour list as the photometric choice allows.
  void FollowPhotometric();
  // Marks a change of a page and says whether it starts a preview.
  bool Changed(TIOControl control);

  TIOParamsVals& fParams;
  TIOParamsVals fWork;
  int32_t fColors[7] = {};
  std::shared_ptr<const TBitmap> fWhole;
  std::shared_ptr<const TBitmap> fReduced;
  TPreviewParams fPages;
  TPreviewParams fEdited;
  int fLastColorPage = -1;
  TPreviewParamsItems fActive = ppJPEG;
  bool fLockPreview = false;
  std::string fCompressedText = "---";
  std::vector<TRGB> fColorMap;
};

}  // namespace kx

// The composite's own work: building and attaching its parts, the properties written to both,
// Assign, and the frame every forwarded operation runs in.
#include "imaging/components/kestrix.h"

namespace kx {

TKestrix::TKestrix() {
  fProc.SetAttachedKestrix(this);
  fProc.SetAutoUndo(true);
  fIO.SetAttachedKestrix(this);
}

TKestrix::~TKestrix() { *fGone = true; }

void TKestrix::SetOnProgress(TProgressEvent handler) {
  fOnProgress = handler;
  // Unassigned parts skip the reporting altogether.
  const TProgressEvent relay =
      handler.Assigned() ? TProgressEvent::Bind<&TKestrix::PartProgress>(this) : TProgressEvent{};
  fProc.OnProgress = relay;
  fIO.OnProgress = relay;
}

void TKestrix::PartProgress(void* sender, int percent) {
  const std::shared_ptr<const bool> gone = fGone;
  fOnProgress(sender, percent);
  if (*gone) throw EControlDestroyed();
}

void TKestrix::SetMsgLanguage(TMsgLanguage language) {
  fProc.SetMsgLanguage(language);
  fIO.SetMsgLanguage(language);
}

void TKestrix::SetPreviewFont(const TKXFont& font) {
  fProc.SetPreviewFont(font);
  fIO.SetPreviewFont(font);
}

void TKestrix::Assign(const TKestrixView* source) {
  RefuseWhileBusy();
  AssignIOParams(source);
  TKestrixView::Assign(source);
}

void TKestrix::AssignIOParams(const TKestrixView* source) {
  if (const auto* composite = dynamic_cast<const TKestrix*>(source)) fIO.AssignParams(&composite->fIO);
}

void TKestrix::AssignIOParams(const TKestrixIO* source) { fIO.AssignParams(source); }

TKestrix::TRunScope::TRunScope(TKestrix& owner) : fOwner(owner), fGone(owner.fGone) {
  owner.RefuseWhileBusy();
  owner.BeginBusy();
}

TKestrix::TRunScope::~TRunScope() {
  if (!*fGone) fOwner.EndBusy();
}

void TKestrix::TRunScope::Finished() const {
  if (*fGone) throw EControlDestroyed();
}

}  // namespace kx

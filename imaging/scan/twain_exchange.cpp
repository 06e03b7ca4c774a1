// The steps of an exchange with the source manager.
#include "imaging/scan/twain_exchange.h"

#include <atomic>
#include <cstring>

#include "imaging/scan/twain_params.h"

namespace kx {

namespace {

// A manager that keeps answering success to the enumeration must not run the walk forever.
constexpr size_t kMaxSources = 256;

std::atomic<bool> gExchangeRunning{false};

void CopyString(TW_STR32& field, const std::string& s) {
  const std::string cut = KXTWCutUtf8(s, sizeof(TW_STR32) - 2);
  std::memset(field, 0, sizeof(TW_STR32));
  std::memcpy(field, cut.data(), cut.size());
}

}  // namespace

TKXTWExchangeGuard::TKXTWExchangeGuard() : fAcquired(!gExchangeRunning.exchange(true)) {}

TKXTWExchangeGuard::~TKXTWExchangeGuard() {
  if (fAcquired) gExchangeRunning.store(false);
}

TKXTWContext::TKXTWContext(const TKXTWainParams* params) {
  AppIdentity.Version.MajorNum = 1;
  AppIdentity.Version.MinorNum = 0;
  AppIdentity.Version.Language = TWLG_USA;
  AppIdentity.Version.Country = TWCY_USA;
  AppIdentity.ProtocolMajor = TWON_PROTOCOLMAJOR;
  AppIdentity.ProtocolMinor = TWON_PROTOCOLMINOR;
  AppIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE;
  if (params) {
    CopyString(AppIdentity.Version.Info, params->AppVersionInfo());
    CopyString(AppIdentity.Manufacturer, params->AppManufacturer());
    CopyString(AppIdentity.ProductFamily, params->AppProductFamily());
    CopyString(AppIdentity.ProductName, params->AppProductName());
  }
}

TKXTWContext::~TKXTWContext() { Teardown(); }

bool TKXTWContext::CallManager(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  LastRC = TWRC_FAILURE;
  if (Manager) LastRC = Manager->Entry(&AppIdentity, nullptr, dg, dat, msg, data);
  return LastRC == TWRC_SUCCESS;
}

bool TKXTWContext::CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  LastRC = TWRC_FAILURE;
  if (Manager) LastRC = Manager->Entry(&AppIdentity, &SourceIdentity, dg, dat, msg, data);
  return LastRC == TWRC_SUCCESS;
}

bool TKXTWContext::LoadManager() {
  if (State >= 2) return true;
  Manager = KXLoadSourceManager();
  if (Manager) State = 2;
  return State >= 2;
}

bool TKXTWContext::OpenManager(uintptr_t window) {
  ParentWindow = window;
  if (!LoadManager()) return false;
  if (State != 2) return State >= 3;
  if (CallManager(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &ParentWindow)) State = 3;
  return State >= 3;
}

std::vector<TW_IDENTITY> TKXTWContext::EnumerateSources() {
  std::vector<TW_IDENTITY> sources;
  TW_IDENTITY record{};
  bool more = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &record);
  while (more && sources.size() < kMaxSources) {
    if (record.ProductName[0] != 0) sources.push_back(record);
    record = TW_IDENTITY{};
    more = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &record);
  }
  return sources;
}

bool TKXTWContext::OpenSource() {
  if (State != 3) return false;
  std::string name;
  if (Params) {
    // The lookup below enumerates anyway; a list not yet read is filled from it, inside this
    // session, instead of by a second exchange while this one holds the manager open.
    const std::vector<TW_IDENTITY> listed = EnumerateSources();
    if (!Params->SourceListFilled()) Params->SourceListRead(listed);
    const std::vector<TW_IDENTITY>& known = Params->SourceList();
    const int32_t index = Params->SelectedSource();
    if (index >= 0 && size_t(index) < known.size()) name = KXTWIdentityName(known[size_t(index)]);
    SourceIdentity = TW_IDENTITY{};
    if (!name.empty()) {
      bool found = false;
      for (const TW_IDENTITY& source : listed) {
        if (KXTWIdentityName(source) == name) {
          SourceIdentity = source;
          found = true;
          break;
        }
      }
      if (!found) return false;
    }
  } else {
    SourceIdentity = TW_IDENTITY{};
  }
  if (CallManager(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &SourceIdentity)) State = 4;
  return State == 4;
}

bool TKXTWContext::EnableSource() {
  if (State != 4) return false;
  const bool showUI = Params ? Params->ShowSourceDialog : true;
  UserInterface.ShowUI = showUI ? 0xFFFF : 0;
  UserInterface.ModalUI = 0;
  UserInterface.hParent = reinterpret_cast<TW_HANDLE>(ParentWindow);
  CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &UserInterface);
  // CANCEL, FAILURE or a sequence error leave the source disabled: waiting for its events then
  // would never end.
  if (LastRC == TWRC_SUCCESS || LastRC == TWRC_CHECKSTATUS) State = 5;
  // CHECKSTATUS: the source cannot work without its dialog and shows it after all, so the user
  // can try again there after a failed transfer.
  if (LastRC == TWRC_CHECKSTATUS) NoUI = false;
  return State == 5;
}

bool TKXTWContext::DisableSource() {
  if (State != 5) return false;
  if (CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &UserInterface)) State = 4;
  return State == 4;
}

void TKXTWContext::CloseSource() {
  LastRC = TWRC_SUCCESS;
  if (State == 5) DisableSource();
  if (State == 4 && CallManager(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &SourceIdentity)) State = 3;
}

void TKXTWContext::CloseManager() {
  LastRC = TWRC_SUCCESS;
  CloseSource();
  if (State == 3 && CallManager(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &ParentWindow)) State = 2;
}

void TKXTWContext::UnloadManager() {
  if (State != 2) return;
  Manager.reset();
  State = 1;
}

void TKXTWContext::EndImage() {
  if (State != 7) return;
  PendingXfers = TW_PENDINGXFERS{};
  if (CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &PendingXfers)) State = PendingXfers.Count != 0 ? 6 : 5;
}

void TKXTWContext::EndTransfer() {
  EndImage();
  if (State == 6) {
    PendingXfers = TW_PENDINGXFERS{};
    if (CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &PendingXfers)) State = 5;
  }
}

void TKXTWContext::Teardown() {
  // Each step is tried once; when the source refuses one, the walk goes on below it all the
  // same, and unloading the manager releases whatever the source still holds.
  if (State >= 6) {
    EndTransfer();
    if (State >= 6) State = 5;
  }
  if (State == 5) {
    DisableSource();
    State = 4;
  }
  if (State == 4) {
    CloseSource();
    State = 3;
  }
  if (State == 3) {
    CloseManager();
    State = 2;
  }
  if (State == 2) UnloadManager();
  State = 1;
}

}  // namespace kx

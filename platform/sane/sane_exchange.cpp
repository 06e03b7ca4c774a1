// The manager's and the source's life: SANE started and ended with the manager, the devices as
// sources, opening and closing one, enabling it with or without its dialog, and the events that
// start a scan or ask for the source to be closed.
#include "platform/sane/sane_exchange.h"

#include <algorithm>
#include <cstring>

#include "platform/sane/sane_scan_settings.h"

namespace kx {

namespace {

void CopyName(TW_STR32& to, const std::string& from) {
  std::memset(to, 0, sizeof to);
  std::memcpy(to, from.data(), std::min(from.size(), sizeof to - 2));
}

std::string NameOf(const TW_STR32& field) { return std::string(field, strnlen(field, sizeof field)); }

}  // namespace

TW_UINT16 KXSaneCondition(SANE_Status status) {
  switch (status) {
    case SANE_STATUS_NO_MEM:
      return TWCC_LOWMEMORY;
    case SANE_STATUS_INVAL:
      return TWCC_BADVALUE;
    case SANE_STATUS_UNSUPPORTED:
      return TWCC_CAPUNSUPPORTED;
    case SANE_STATUS_DEVICE_BUSY:
      return TWCC_MAXCONNECTIONS;
    default:
      return TWCC_OPERATIONERROR;
  }
}

void TSaneExchange::Close() {
  if (fState >= stXferReady) EndBatch();
  fDevice.reset();
  fSession.reset();
  fDevices.clear();
  fDevicesRead = false;
  fState = stLoaded;
}

TW_UINT16 TSaneExchange::Entry(pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (dg == DG_CONTROL && dat == DAT_PARENT) return Parent(msg);
  if (dg == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET && data) return Status(static_cast<TW_STATUS*>(data));
  if (dg == DG_CONTROL && dat == DAT_IDENTITY && data) return Identity(msg, static_cast<TW_IDENTITY*>(data));
  // Everything else is addressed to the open source.
  if (fState < stSourceOpen) return Sequence();
  if (!dest || dest->Id != fSource.Id) return Fail(TWCC_BADDEST);
  if (!data) return Fail(TWCC_BADVALUE);
  if (dg == DG_CONTROL) {
    switch (dat) {
      case DAT_USERINTERFACE:
        return UserInterface(msg, static_cast<TW_USERINTERFACE*>(data));
      case DAT_EVENT:
        if (msg == MSG_PROCESSEVENT) return Event(static_cast<TW_EVENT*>(data));
        break;
      case DAT_CAPABILITY:
        return Capability(msg, static_cast<TW_CAPABILITY*>(data));
      case DAT_SETUPMEMXFER:
        if (msg == MSG_GET) return SetupMemXfer(static_cast<TW_SETUPMEMXFER*>(data));
        break;
      case DAT_PENDINGXFERS:
        return PendingXfers(msg, static_cast<TW_PENDINGXFERS*>(data));
      default:
        break;
    }
  } else if (dg == DG_IMAGE) {
    switch (dat) {
      case DAT_IMAGELAYOUT:
        return Layout(msg, static_cast<TW_IMAGELAYOUT*>(data));
      case DAT_IMAGEINFO:
        if (msg == MSG_GET) return ImageInfo(static_cast<TW_IMAGEINFO*>(data));
        break;
      case DAT_IMAGEMEMXFER:
        if (msg == MSG_GET) return MemXfer(static_cast<TW_IMAGEMEMXFER*>(data));
        break;
      case DAT_IMAGENATIVEXFER:
        if (msg == MSG_GET) return NativeXfer(static_cast<TW_HANDLE*>(data));
        break;
      default:
        break;
    }
  }
  return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 TSaneExchange::Parent(TW_UINT16 msg) {
  if (msg == MSG_OPENDSM) {
    if (fState != stLoaded) return Sequence();
    auto session = std::make_unique<TSaneSession>();
    if (!session->Ok()) return Fail(KXSaneCondition(session->Status()));
    fSession = std::move(session);
    fState = stManagerOpen;
    return TWRC_SUCCESS;
  }
  if (msg == MSG_CLOSEDSM) {
    if (fState != stManagerOpen) return Sequence();
    Close();
    return TWRC_SUCCESS;
  }
  return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 TSaneExchange::Status(TW_STATUS* status) {
  *status = {};
  status->ConditionCode = fCondition;
  fCondition = TWCC_SUCCESS;
  return TWRC_SUCCESS;
}

void TSaneExchange::ReadDevices() {
  if (fDevicesRead) return;
  fDevices = KXSaneDevices();
  fDevicesRead = true;
}

void TSaneExchange::Describe(size_t index, TW_IDENTITY& id) const {
  id = {};
  // Ids count from 1 in the order SANE listed the devices at the start of the exchange.
  id.Id = static_cast<TW_UINT32>(index + 1);
  id.Version.MajorNum = 1;
  id.Version.Language = TWLG_USA;
  id.Version.Country = TWCY_USA;
  CopyName(id.Version.Info, fDevices[index].Type);
  id.ProtocolMajor = TWON_PROTOCOLMAJOR;
  id.ProtocolMinor = TWON_PROTOCOLMINOR;
  id.SupportedGroups = DG_CONTROL | DG_IMAGE;
  CopyName(id.Manufacturer, fDevices[index].Vendor);
  CopyName(id.ProductFamily, fDevices[index].Model);
  CopyName(id.ProductName, fDevices[index].Name);
}

TW_UINT16 TSaneExchange::Identity(TW_UINT16 msg, TW_IDENTITY* id) {
  switch (msg) {
    case MSG_GETFIRST:
    case MSG_GETNEXT:
      if (fState < stManagerOpen) return Sequence();
      ReadDevices();
      if (msg == MSG_GETFIRST) fNext = 0;
      if (fNext >= fDevices.size()) return TWRC_ENDOFLIST;
      Describe(fNext++, *id);
      return TWRC_SUCCESS;
    case MSG_USERSELECT: {
      if (fState != stManagerOpen) return Sequence();
      ReadDevices();
      if (fDevices.empty()) return Fail(TWCC_NODS);
      size_t chosen = 0;
      if (fChooser) {
        std::vector<std::string> names;
        for (const TSaneDeviceInfo& device : fDevices) names.push_back(device.Name);
        const auto answer = fChooser->Choose(names, 0);
        if (!answer) return TWRC_CANCEL;
        if (*answer >= fDevices.size()) return Fail(TWCC_BADVALUE);
        chosen = *answer;
      }
      Describe(chosen, *id);
      return TWRC_SUCCESS;
    }
    case MSG_OPENDS: {
      if (fState != stManagerOpen) return Sequence();
      ReadDevices();
      const std::string name = NameOf(id->ProductName);
      size_t index = fDevices.size();
      if (name.empty() && id->Id == 0) {
        index = 0;
      } else {
        for (size_t i = 0; i < fDevices.size() && index == fDevices.size(); ++i) {
          TW_IDENTITY candidate;
          Describe(i, candidate);
          if (NameOf(candidate.ProductName) == name) index = i;
        }
      }
      if (index >= fDevices.size()) return Fail(TWCC_NODS);
      SANE_Status status = SANE_STATUS_GOOD;
      fDevice = TSaneDevice::Open(fDevices[index].Name, &status);
      if (!fDevice) return Fail(KXSaneCondition(status));
      Describe(index, fSource);
      *id = fSource;
      fMemoryXfer = false;
      fIndicators = true;
      fState = stSourceOpen;
      return TWRC_SUCCESS;
    }
    case MSG_CLOSEDS:
      if (fState != stSourceOpen) return Sequence();
      if (id->Id != fSource.Id) return Fail(TWCC_BADDEST);
      fDevice.reset();
      fSource = {};
      fState = stManagerOpen;
      return TWRC_SUCCESS;
    default:
      return Fail(TWCC_BADPROTOCOL);
  }
}

TW_UINT16 TSaneExchange::UserInterface(TW_UINT16 msg, TW_USERINTERFACE* ui) {
  if (msg == MSG_ENABLEDS) {
    if (fState != stSourceOpen) return Sequence();
    fCloseRequested = false;
    fCloseSent = false;
    fBatchStarted = false;
    fState = stEnabled;
    if (ui->ShowUI && fOptions) {
      TScanValues values = KXSaneValues(*fDevice);
      if (!fOptions->Run(KXSaneChoices(*fDevice), values)) {
        // The source stays enabled until the application hears of the cancel and disables it.
        fCloseRequested = true;
      } else if (const SANE_Status status = KXSaneApply(*fDevice, values); status != SANE_STATUS_GOOD) {
        fState = stSourceOpen;
        return Fail(KXSaneCondition(status));
      }
    }
    return TWRC_SUCCESS;
  }
  if (msg == MSG_DISABLEDS) {
    if (fState != stEnabled) return Sequence();
    if (fBatchStarted) EndBatch();
    fState = stSourceOpen;
    return TWRC_SUCCESS;
  }
  return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 TSaneExchange::Event(TW_EVENT* event) {
  event->TWMessage = MSG_NULL;
  if (fState < stEnabled) return Sequence();
  if (fState > stEnabled) return TWRC_NOTDSEVENT;
  // A batch that ran out, a failed start and a cancelled dialog all ask to be closed: without its
  // dialog the source has nothing else to offer.
  // The request goes out once; until the application disables the source nothing else happens.
  if (fCloseRequested || fBatchStarted) {
    if (fCloseSent) return TWRC_NOTDSEVENT;
    fCloseSent = true;
    event->TWMessage = MSG_CLOSEDSREQ;
    return TWRC_DSEVENT;
  }
  fBatchStarted = true;
  // Backends refuse to read options while they scan.
  fScanDpi = KXSaneResolution(*fDevice);
  fScanFeeder = KXSaneFeederEnabled(*fDevice);
  const SANE_Status status = fDevice->Start();
  if (status != SANE_STATUS_GOOD) {
    fDevice->Cancel();
    fCondition = KXSaneCondition(status);
    fCloseRequested = true;
    return TWRC_NOTDSEVENT;
  }
  fPageRead = false;
  fNextRow = 0;
  fState = stXferReady;
  event->TWMessage = MSG_XFERREADY;
  return TWRC_DSEVENT;
}

}  // namespace kx

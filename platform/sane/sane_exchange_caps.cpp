// The capabilities and the image layout: what the source answers a query with and how a set
// reaches the device's options.
#include <algorithm>

#include "platform/sane/sane_exchange.h"
#include "platform/sane/sane_scan_settings.h"
#include "platform/sane/twain_containers.h"

namespace kx {

TW_UINT16 TSaneExchange::Capability(TW_UINT16 msg, TW_CAPABILITY* cap) {
  switch (msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
      return GetCapability(cap);
    case MSG_SET:
      // Capabilities are negotiated before the source is enabled.
      if (fState != stSourceOpen) return Sequence();
      return SetCapability(cap);
    default:
      return Fail(TWCC_CAPBADOPERATION);
  }
}

TW_UINT16 TSaneExchange::GetCapability(TW_CAPABILITY* cap) {
  TW_HANDLE block = nullptr;
  TW_UINT16 conType = TWON_ONEVALUE;
  auto one = [&](TW_UINT16 type, double value) { block = KXTWMakeOneValue(type, value); };
  auto list = [&](TW_UINT16 type, const std::vector<double>& items, double current) {
    const auto at = std::find(items.begin(), items.end(), current);
    const size_t index = at == items.end() ? 0 : static_cast<size_t>(at - items.begin());
    block = KXTWMakeEnumeration(type, items, index, index);
    conType = TWON_ENUMERATION;
  };
  // A number option as the protocol's container: its word list, its range or its one value.
  auto option = [&](const char* name) -> bool {
    const auto o = fDevice->Find(name);
    double current = 0;
    if (!o || !o->Active || fDevice->GetNumber(name, current) != SANE_STATUS_GOOD) return false;
    if (o->Constraint == SANE_CONSTRAINT_WORD_LIST) {
      list(TWTY_FIX32, o->Words, current);
    } else if (o->Constraint == SANE_CONSTRAINT_RANGE) {
      block = KXTWMakeRange(TWTY_FIX32, o->Min, o->Max, o->Quant > 0 ? o->Quant : 1, current, current);
      conType = TWON_RANGE;
    } else {
      one(TWTY_FIX32, current);
    }
    return true;
  };
  switch (cap->Cap) {
    case ICAP_UNITS:
      list(TWTY_UINT16, {TWUN_INCHES}, TWUN_INCHES);
      break;
    case ICAP_PIXELFLAVOR:
      one(TWTY_UINT16, TWPF_CHOCOLATE);
      break;
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
      if (!option("resolution")) return Fail(TWCC_CAPUNSUPPORTED);
      break;
    case ICAP_XSCALING:
    case ICAP_YSCALING:
      one(TWTY_FIX32, 1.0);
      break;
    case ICAP_PIXELTYPE: {
      std::vector<double> types;
      for (int type : KXSanePixelTypes(*fDevice)) types.push_back(type);
      const auto current = KXSanePixelType(*fDevice);
      if (types.empty() || !current) return Fail(TWCC_CAPUNSUPPORTED);
      list(TWTY_UINT16, types, *current);
      break;
    }
    case ICAP_BITDEPTH: {
      const auto type = KXSanePixelType(*fDevice);
      if (!type) return Fail(TWCC_CAPUNSUPPORTED);
      one(TWTY_UINT16, *type == TWPT_BW ? 1 : *type == TWPT_RGB ? 24 : 8);
      break;
    }
    case ICAP_PLANARCHUNKY:
      list(TWTY_UINT16, {TWPC_CHUNKY}, TWPC_CHUNKY);
      break;
    case ICAP_XFERMECH:
      list(TWTY_UINT16, {TWSX_NATIVE, TWSX_MEMORY}, fMemoryXfer ? TWSX_MEMORY : TWSX_NATIVE);
      break;
    case CAP_FEEDERENABLED:
      one(TWTY_BOOL, KXSaneFeederEnabled(*fDevice));
      break;
    case ICAP_ORIENTATION:
      list(TWTY_UINT16, {TWOR_ROT0}, TWOR_ROT0);
      break;
    case CAP_INDICATORS:
      one(TWTY_BOOL, fIndicators);
      break;
    case ICAP_PHYSICALWIDTH:
    case ICAP_PHYSICALHEIGHT: {
      TSaneArea max;
      if (!KXSaneMaxArea(*fDevice, max)) return Fail(TWCC_CAPUNSUPPORTED);
      one(TWTY_FIX32, (cap->Cap == ICAP_PHYSICALWIDTH ? max.Right : max.Bottom) / kMmPerInch);
      break;
    }
    case ICAP_GAMMA:
      one(TWTY_FIX32, 2.2);
      break;
    case kCapBrightness:
    case kCapContrast:
      if (!option(cap->Cap == kCapBrightness ? "brightness" : "contrast")) return Fail(TWCC_CAPUNSUPPORTED);
      break;
    default:
      return Fail(TWCC_CAPUNSUPPORTED);
  }
  if (!block) return Fail(TWCC_LOWMEMORY);
  cap->ConType = conType;
  cap->hContainer = block;
  return TWRC_SUCCESS;
}

TW_UINT16 TSaneExchange::SetCapability(TW_CAPABILITY* cap) {
  const auto value = KXTWContainerValue(cap->ConType, cap->hContainer);
  if (!value) return Fail(TWCC_BADVALUE);
  const double v = *value;
  // The capabilities this source has one value of accept just that value.
  auto only = [&](double accepted) { return v == accepted ? TWRC_SUCCESS : Fail(TWCC_BADVALUE); };
  auto sane = [&](SANE_Status status) {
    return status == SANE_STATUS_GOOD ? TWRC_SUCCESS : Fail(KXSaneCondition(status));
  };
  switch (cap->Cap) {
    case ICAP_UNITS:
      return only(TWUN_INCHES);
    case ICAP_PIXELFLAVOR:
      return only(TWPF_CHOCOLATE);
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
      // One option serves both directions.
      if (v <= 0) return Fail(TWCC_BADVALUE);
      return sane(fDevice->SetNumber("resolution", v));
    case ICAP_XSCALING:
    case ICAP_YSCALING:
      return only(1.0);
    case ICAP_PIXELTYPE:
      if (v != TWPT_BW && v != TWPT_GRAY && v != TWPT_RGB) return Fail(TWCC_BADVALUE);
      return sane(KXSaneSetPixelType(*fDevice, static_cast<int>(v)));
    case ICAP_BITDEPTH: {
      const auto type = KXSanePixelType(*fDevice);
      if (!type) return Fail(TWCC_CAPUNSUPPORTED);
      return only(*type == TWPT_BW ? 1 : *type == TWPT_RGB ? 24 : 8);
    }
    case ICAP_PLANARCHUNKY:
      return only(TWPC_CHUNKY);
    case ICAP_XFERMECH:
      if (v != TWSX_NATIVE && v != TWSX_MEMORY) return Fail(TWCC_BADVALUE);
      fMemoryXfer = v == TWSX_MEMORY;
      return TWRC_SUCCESS;
    case CAP_FEEDERENABLED:
      return sane(KXSaneSetFeederEnabled(*fDevice, v != 0));
    case ICAP_ORIENTATION:
      return only(TWOR_ROT0);
    case CAP_INDICATORS:
      fIndicators = v != 0;
      return TWRC_SUCCESS;
    case kCapBrightness:
      return sane(fDevice->SetNumber("brightness", v));
    case kCapContrast:
      return sane(fDevice->SetNumber("contrast", v));
    case ICAP_PHYSICALWIDTH:
    case ICAP_PHYSICALHEIGHT:
    case ICAP_GAMMA:
      return Fail(TWCC_CAPBADOPERATION);
    default:
      return Fail(TWCC_CAPUNSUPPORTED);
  }
}

TW_UINT16 TSaneExchange::Layout(TW_UINT16 msg, TW_IMAGELAYOUT* layout) {
  if (msg == MSG_GET) {
    TSaneArea area;
    if (!KXSaneArea(*fDevice, area)) return Fail(TWCC_CAPUNSUPPORTED);
    *layout = {};
    layout->Frame = {KXToFix32(area.Left / kMmPerInch), KXToFix32(area.Top / kMmPerInch),
                     KXToFix32(area.Right / kMmPerInch), KXToFix32(area.Bottom / kMmPerInch)};
    layout->DocumentNumber = layout->PageNumber = layout->FrameNumber = 1;
    return TWRC_SUCCESS;
  }
  if (msg == MSG_SET) {
    if (fState != stSourceOpen) return Sequence();
    const TSaneArea area{KXFromFix32(layout->Frame.Left) * kMmPerInch, KXFromFix32(layout->Frame.Top) * kMmPerInch,
                         KXFromFix32(layout->Frame.Right) * kMmPerInch, KXFromFix32(layout->Frame.Bottom) * kMmPerInch};
    // An empty frame names no area: the one set stays.
    if (area.Right <= area.Left || area.Bottom <= area.Top) return Fail(TWCC_BADVALUE);
    const SANE_Status status = KXSaneSetArea(*fDevice, area);
    return status == SANE_STATUS_GOOD ? TWRC_SUCCESS : Fail(KXSaneCondition(status));
  }
  return Fail(TWCC_BADPROTOCOL);
}

}  // namespace kx

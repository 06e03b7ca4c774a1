#include "platform/sane/sane_device.h"

#include <algorithm>
#include <cstring>

#include "platform/sane/sane_library.h"

namespace kx {

namespace {

// Sessions nest: only the outermost one starts and ends the library.
int gSessionDepth = 0;

// Only reached once a session or a device exists, so the library is there.
const TSaneLibrary& Sane() { return *KXSaneLibrary(); }

double Unfix(SANE_Value_Type type, SANE_Word word) {
  return type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : static_cast<double>(word);
}

SANE_Word Fix(SANE_Value_Type type, double value) {
  if (type == SANE_TYPE_FIXED) return SANE_FIX(value);
  if (type == SANE_TYPE_BOOL) return value != 0 ? SANE_TRUE : SANE_FALSE;
  return static_cast<SANE_Word>(value < 0 ? value - 0.5 : value + 0.5);
}

}  // namespace

TSaneSession::TSaneSession() {
  if (gSessionDepth > 0) {
    ++gSessionDepth;
    fStatus = SANE_STATUS_GOOD;
    return;
  }
  if (!KXSaneLibrary()) {
    fStatus = SANE_STATUS_UNSUPPORTED;
    return;
  }
  SANE_Int version = 0;
  fStatus = Sane().init(&version, nullptr);
  if (fStatus == SANE_STATUS_GOOD) {
    ++gSessionDepth;
    fOwner = true;
  }
}

TSaneSession::~TSaneSession() {
  if (fStatus != SANE_STATUS_GOOD) return;
  if (--gSessionDepth == 0 && fOwner) Sane().exit();
}

std::vector<TSaneDeviceInfo> KXSaneDevices(SANE_Status* status) {
  if (!KXSaneLibrary()) {
    if (status) *status = SANE_STATUS_UNSUPPORTED;
    return {};
  }
  const SANE_Device** list = nullptr;
  const SANE_Status result = Sane().get_devices(&list, SANE_FALSE);
  if (status) *status = result;
  std::vector<TSaneDeviceInfo> devices;
  if (result != SANE_STATUS_GOOD || !list) return devices;
  auto text = [](SANE_String_Const s) { return std::string(s ? s : ""); };
  for (const SANE_Device** d = list; *d; ++d)
    devices.push_back({text((*d)->name), text((*d)->vendor), text((*d)->model), text((*d)->type)});
  return devices;
}

bool TSaneOption::Scalar() const { return Type == SANE_TYPE_INT || Type == SANE_TYPE_FIXED || Type == SANE_TYPE_BOOL; }

std::unique_ptr<TSaneDevice> TSaneDevice::Open(const std::string& name, SANE_Status* status) {
  if (!KXSaneLibrary()) {
    if (status) *status = SANE_STATUS_UNSUPPORTED;
    return nullptr;
  }
  SANE_Handle handle = nullptr;
  const SANE_Status result = Sane().open(name.c_str(), &handle);
  if (status) *status = result;
  if (result != SANE_STATUS_GOOD || !handle) return nullptr;
  return std::unique_ptr<TSaneDevice>(new TSaneDevice(handle));
}

TSaneDevice::~TSaneDevice() {
  Sane().cancel(fHandle);
  Sane().close(fHandle);
}

std::optional<TSaneOption> TSaneDevice::Find(const std::string& name) const {
  // Option 0 is the number of options; its descriptor has no name.
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* d = Sane().get_option_descriptor(fHandle, i);
    if (!d) return std::nullopt;
    if (!d->name || name != d->name) continue;
    TSaneOption option;
    option.Index = i;
    option.Name = d->name;
    option.Title = d->title ? d->title : "";
    option.Type = d->type;
    option.Unit = d->unit;
    option.Active = SANE_OPTION_IS_ACTIVE(d->cap);
    option.Settable = SANE_OPTION_IS_SETTABLE(d->cap);
    option.Constraint = d->constraint_type;
    // A number option of more than one word is an array (a gamma table).
    option.Array = (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED) && d->size != sizeof(SANE_Word);
    switch (d->constraint_type) {
      case SANE_CONSTRAINT_WORD_LIST:
        for (SANE_Int k = 1; k <= d->constraint.word_list[0]; ++k)
          option.Words.push_back(Unfix(d->type, d->constraint.word_list[k]));
        break;
      case SANE_CONSTRAINT_RANGE:
        option.Min = Unfix(d->type, d->constraint.range->min);
        option.Max = Unfix(d->type, d->constraint.range->max);
        option.Quant = Unfix(d->type, d->constraint.range->quant);
        break;
      case SANE_CONSTRAINT_STRING_LIST:
        for (SANE_String_Const const* s = d->constraint.string_list; *s; ++s) option.Strings.emplace_back(*s);
        break;
      default:
        break;
    }
    return option;
  }
}

SANE_Status TSaneDevice::GetNumber(const std::string& name, double& value) const {
  const auto option = Find(name);
  if (!option || !option->Scalar()) return SANE_STATUS_UNSUPPORTED;
  if (!option->Active) return SANE_STATUS_INVAL;
  SANE_Word word = 0;
  const SANE_Status status = Sane().control_option(fHandle, option->Index, SANE_ACTION_GET_VALUE, &word, nullptr);
  if (status == SANE_STATUS_GOOD) value = Unfix(option->Type, word);
  return status;
}

SANE_Status TSaneDevice::SetNumber(const std::string& name, double value) {
  const auto option = Find(name);
  if (!option || !option->Scalar()) return SANE_STATUS_UNSUPPORTED;
  if (!option->Active || !option->Settable) return SANE_STATUS_INVAL;
  SANE_Word word = Fix(option->Type, value);
  return Sane().control_option(fHandle, option->Index, SANE_ACTION_SET_VALUE, &word, nullptr);
}

SANE_Status TSaneDevice::GetString(const std::string& name, std::string& value) const {
  const auto option = Find(name);
  if (!option || option->Type != SANE_TYPE_STRING) return SANE_STATUS_UNSUPPORTED;
  if (!option->Active) return SANE_STATUS_INVAL;
  const SANE_Option_Descriptor* d = Sane().get_option_descriptor(fHandle, option->Index);
  std::vector<char> buffer(static_cast<size_t>(d->size) + 1, '\0');
  const SANE_Status status = Sane().control_option(fHandle, option->Index, SANE_ACTION_GET_VALUE, buffer.data(), nullptr);
  if (status == SANE_STATUS_GOOD) value = buffer.data();
  return status;
}

SANE_Status TSaneDevice::SetString(const std::string& name, const std::string& value) {
  const auto option = Find(name);
  if (!option || option->Type != SANE_TYPE_STRING) return SANE_STATUS_UNSUPPORTED;
  if (!option->Active || !option->Settable) return SANE_STATUS_INVAL;
  const SANE_Option_Descriptor* d = Sane().get_option_descriptor(fHandle, option->Index);
  // The backend may copy the option's whole size, so the buffer is never shorter than that.
  std::vector<char> buffer(std::max<size_t>(static_cast<size_t>(d->size), value.size() + 1), '\0');
  std::memcpy(buffer.data(), value.data(), value.size());
  return Sane().control_option(fHandle, option->Index, SANE_ACTION_SET_VALUE, buffer.data(), nullptr);
}

SANE_Status TSaneDevice::Parameters(SANE_Parameters& parameters) const {
  return Sane().get_parameters(fHandle, &parameters);
}

SANE_Status TSaneDevice::Start() { return Sane().start(fHandle); }

SANE_Status TSaneDevice::Read(uint8_t* buffer, int32_t capacity, int32_t& length) {
  SANE_Int got = 0;
  const SANE_Status status = Sane().read(fHandle, buffer, capacity, &got);
  length = got;
  return status;
}

void TSaneDevice::Cancel() { Sane().cancel(fHandle); }

}  // namespace kx

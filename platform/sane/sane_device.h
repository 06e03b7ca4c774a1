// A thin C++ layer over the SANE library: one library session per exchange, the device list
// copied out at once (SANE's own list lives only until the next call or the session's end),
// devices that close themselves, and options found by name with their constraints.
#pragma once

#include <sane/sane.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kx {

// Holds the library between sane_init and sane_exit. One at a time: SANE is a process-wide
// library, so a second session while one is alive only borrows the first.
class TSaneSession {
 public:
  TSaneSession();
  ~TSaneSession();
  TSaneSession(const TSaneSession&) = delete;
  TSaneSession& operator=(const TSaneSession&) = delete;
  bool Ok() const { return fStatus == SANE_STATUS_GOOD; }
  SANE_Status Status() const { return fStatus; }

 private:
  SANE_Status fStatus;
  bool fOwner = false;
};

struct TSaneDeviceInfo {
  std::string Name;
  std::string Vendor;
  std::string Model;
  std::string Type;
};

// The devices SANE knows now, copied; empty when it reports a failure.
std::vector<TSaneDeviceInfo> KXSaneDevices(SANE_Status* status = nullptr);

// One option as the backend describes it now.
struct TSaneOption {
  int Index = 0;
  std::string Name;
  std::string Title;
  SANE_Value_Type Type = SANE_TYPE_INT;
  SANE_Unit Unit = SANE_UNIT_NONE;
  bool Active = false;
  bool Settable = false;
  bool Array = false;
  SANE_Constraint_Type Constraint = SANE_CONSTRAINT_NONE;
  std::vector<double> Words;           // word list (numbers already unfixed)
  double Min = 0, Max = 0, Quant = 0;  // range (unfixed)
  std::vector<std::string> Strings;    // string list
  bool Scalar() const;
};

class TSaneDevice {
 public:
  // Opens the device of that name (empty: the backend's first); null on failure, with the
  // status in `status`.
  static std::unique_ptr<TSaneDevice> Open(const std::string& name, SANE_Status* status = nullptr);
  ~TSaneDevice();
  TSaneDevice(const TSaneDevice&) = delete;
  TSaneDevice& operator=(const TSaneDevice&) = delete;

  // The option of that name, described afresh: setting another option may change it.
  std::optional<TSaneOption> Find(const std::string& name) const;
  // Number options (int, fixed and bool, one value): read and write as doubles.
  SANE_Status GetNumber(const std::string& name, double& value) const;
  SANE_Status SetNumber(const std::string& name, double value);
  SANE_Status GetString(const std::string& name, std::string& value) const;
  SANE_Status SetString(const std::string& name, const std::string& value);

  SANE_Status Parameters(SANE_Parameters& parameters) const;
  SANE_Status Start();
  // Up to `capacity` bytes into `buffer`; `length` receives how many. SANE_STATUS_EOF ends a
  // frame.
  SANE_Status Read(uint8_t* buffer, int32_t capacity, int32_t& length);
  void Cancel();

 private:
  explicit TSaneDevice(SANE_Handle handle) : fHandle(handle) {}
  SANE_Handle fHandle;
};

}  // namespace kx

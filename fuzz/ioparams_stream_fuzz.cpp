// Fuzzes the parameter stream: a stream that loads must save and load back to the same bytes, and
// one that is refused must leave the record exactly as it was.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/core/stream.h"
#include "imaging/io/ioparams.h"

namespace {
std::vector<uint8_t> Saved(const kx::TIOParamsVals& p) {
  kx::TMemoryStream s;
  p.SaveToStream(s);
  return s.Bytes();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kx::TIOParamsVals params;
  std::vector<uint8_t> before = Saved(params);
  kx::TMemoryStream in(std::vector<uint8_t>(data, data + size));
  if (!params.LoadFromStream(in)) {
    if (Saved(params) != before) __builtin_trap();
    return 0;
  }
  std::vector<uint8_t> once = Saved(params);
  kx::TIOParamsVals again;
  kx::TMemoryStream back(once);
  if (!again.LoadFromStream(back) || Saved(again) != once) __builtin_trap();
  return 0;
}

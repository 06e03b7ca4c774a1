// Civil dates (proleptic Gregorian) and day numbers counted from 1970-01-01, for TDateTime
// values and their YYYY-MM-DD text.
#pragma once

#include <cstdint>

namespace kx {

struct TKXCivilDate {
  int64_t Year;
  unsigned Month, Day;
};

int64_t KXDaysFromCivil(TKXCivilDate date);
TKXCivilDate KXCivilFromDays(int64_t days);

// Whole days between 1970-01-01 and 1899-12-30, the origin of TDateTime.
constexpr int64_t kKXDateOriginFromUnix = -25569;

}  // namespace kx

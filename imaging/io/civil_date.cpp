// Day numbers of civil dates, by eras of 400 years (146097 days each).
#include "imaging/io/civil_date.h"

namespace kx {

int64_t KXDaysFromCivil(TKXCivilDate c) {
  const int64_t y = c.Year - (c.Month <= 2);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (c.Month + (c.Month > 2 ? -3 : 9)) + 2) / 5 + c.Day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

TKXCivilDate KXCivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {int64_t(yoe) + era * 400 + (m <= 2), m, d};
}

}  // namespace kx

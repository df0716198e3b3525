#include "platform/file.h"

namespace platform {

DosTime DosStampToTime(uint32_t stamp) {
  DosTime t;
  t.year = static_cast<int>(stamp >> 25) + 1980;
  t.month = static_cast<int>((stamp >> 21) & 15);
  t.day = static_cast<int>((stamp >> 16) & 31);
  t.hour = static_cast<int>((stamp & 0xFFFF) >> 11);
  t.minute = static_cast<int>((stamp >> 5) & 63);
  t.second = static_cast<int>(stamp & 31) * 2;
  return t;
}

bool IsValidDosTime(const DosTime& t) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.month < 1 || t.month > 12 || t.day < 1) return false;
  const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
  const int days = kDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
  return t.day <= days && t.hour < 24 && t.minute < 60 && t.second < 60;
}

}  // namespace platform

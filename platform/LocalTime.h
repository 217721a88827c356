#pragma once
// The local date and time, in the units the message time stamps use.

#include <QDateTime>
#include <cstdint>

namespace platform {

// The current local date and time, millisecond resolution.
QDateTime localNow();

// A local date and time as (Time, Date): Time = milliseconds since local midnight,
// Date = day number with 1 January of year 1 as day 1 (so 30 December 1899 is 693594).
struct LocalTimeStamp {
  std::int32_t time = 0;
  std::int32_t date = 0;
  friend bool operator==(const LocalTimeStamp &, const LocalTimeStamp &) = default;
};

LocalTimeStamp toLocalTimeStamp(const QDateTime &local);
// The inverse; an invalid QDateTime for values outside a day / before day 1.
QDateTime fromLocalTimeStamp(LocalTimeStamp stamp);

// toLocalTimeStamp(localNow()).
LocalTimeStamp localTimeStampNow();

} // namespace platform

#include "LocalTime.h"

namespace platform {

namespace {
// Julian day number of 1 January of year 1 (proleptic Gregorian), which is day 1.
const qint64 kDayOneJulian = QDate(1, 1, 1).toJulianDay();
constexpr int kMsPerDay = 24 * 60 * 60 * 1000;
} // namespace

QDateTime localNow() { return QDateTime::currentDateTime(); }

LocalTimeStamp toLocalTimeStamp(const QDateTime &local) {
  const QDateTime t = local.toLocalTime();
  LocalTimeStamp stamp;
  stamp.time = t.time().msecsSinceStartOfDay();
  stamp.date = static_cast<std::int32_t>(t.date().toJulianDay() - kDayOneJulian + 1);
  return stamp;
}

QDateTime fromLocalTimeStamp(LocalTimeStamp stamp) {
  if (stamp.date < 1 || stamp.time < 0 || stamp.time >= kMsPerDay)
    return {};
  const QDate date = QDate::fromJulianDay(kDayOneJulian + stamp.date - 1);
  return QDateTime(date, QTime::fromMSecsSinceStartOfDay(stamp.time));
}

LocalTimeStamp localTimeStampNow() { return toLocalTimeStamp(localNow()); }

} // namespace platform

#include "common/Clock.h"

namespace {
QDateTime &fixedNow()
{
    static QDateTime value;
    return value;
}
} // namespace

QDateTime Clock::now()
{
    const QDateTime &fixed = fixedNow();
    return fixed.isValid() ? fixed : QDateTime::currentDateTime();
}

QDate Clock::today()
{
    return now().date();
}

void Clock::setNow(const QDateTime &dateTime)
{
    fixedNow() = dateTime;
}

void Clock::advance(qint64 msecs)
{
    QDateTime &fixed = fixedNow();
    if (fixed.isValid())
        fixed = fixed.addMSecs(msecs);
}

void Clock::reset()
{
    fixedNow() = QDateTime();
}

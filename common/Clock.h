#pragma once

#include <QDate>
#include <QDateTime>

/// The one source of "now" and "today" for both programs.
///
/// Code that depends on the time of day reads it here, so that tests can set
/// the clock and move it forward instead of waiting for midnight or for a
/// deadline to pass.
class Clock
{
public:
    /// Current local date and time; the fixed time while a test has set one.
    static QDateTime now();
    /// Current local date.
    static QDate today();

    /// Freezes the clock at \a dateTime until it is moved or reset (tests).
    static void setNow(const QDateTime &dateTime);
    /// Moves a frozen clock forward by \a msecs (tests).
    static void advance(qint64 msecs);
    /// Lets the clock follow the system time again.
    static void reset();
};

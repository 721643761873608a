#pragma once

// What the in-process benchmarks share: this process's memory, and letting
// the event loop run for a while.

#include <QEventLoop>
#include <QFile>
#include <QList>
#include <QTimer>

#include <unistd.h>

namespace BenchSupport {

/// The process's resident memory in megabytes; 0 where /proc is missing.
inline double rssMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * sysconf(_SC_PAGESIZE) / (1024.0 * 1024.0) : 0;
}

/// The process's peak resident memory so far (VmHWM) in megabytes; 0
/// where /proc is missing.
inline double peakRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

/// Runs the event loop for \a msecs: pending paints, deferred deletes and
/// timers happen.
inline void settle(int msecs)
{
    QEventLoop loop;
    QTimer::singleShot(msecs, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace BenchSupport

#pragma once

#include <QString>

/// Lets one copy of a program run per user desktop.
class SingleInstance
{
public:
    /// Takes the lock "SingleAppLock" + \a applicationName for the rest of
    /// the process's life. True when this process holds it now, false when
    /// another running copy does. \a fallbackFolder keeps the lock file on
    /// platforms that lock with files and have no per-user runtime folder.
    static bool lock(const QString &applicationName, const QString &fallbackFolder);

    /// Gives the lock up early (tests); it is otherwise held until exit.
    static void release();

    static QString key(const QString &applicationName);
};

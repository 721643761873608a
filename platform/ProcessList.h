#pragma once

#include <QString>

/// The processes running for the current user.
class ProcessList
{
public:
    virtual ~ProcessList() = default;

    /// Whether a process whose executable file name (no folder) equals
    /// \a executableName exactly, case included, is running. False when the
    /// process table cannot be read.
    virtual bool isRunning(const QString &executableName) const = 0;
};

#pragma once

#include "platform/ProcessList.h"

/// The current user's processes, read from /proc.
///
/// A process's executable name is the last path component of argv[0] (its
/// "cmdline" is readable for every process); when that is empty, the target
/// of its "exe" link without the " (deleted)" mark that appears once an
/// update replaced the file; else its "comm" (cut at 15 characters by the
/// kernel). Processes of other users and zombies do not count: on a shared
/// machine another user's copy must not hold an update for ever.
class ProcFsProcessList : public ProcessList
{
public:
    explicit ProcFsProcessList(const QString &procRoot = QStringLiteral("/proc"));

    bool isRunning(const QString &executableName) const override;

    /// The executable name of process \a pid as described above; empty when
    /// the process is gone.
    QString executableNameOf(qint64 pid) const;

private:
    QString m_procRoot;
};

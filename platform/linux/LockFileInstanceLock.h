#pragma once

#include "platform/InstanceLock.h"

#include <QLockFile>

/// A per-user lock file named after the key, in $XDG_RUNTIME_DIR (per user
/// and per login) or, without one, in the fallback folder.
///
/// The file records the holder's process id; a lock whose holder is gone
/// (a crash, `kill -9`) is taken over at once. A lock held by a running
/// process is never taken over, however old it is.
class LockFileInstanceLock : public InstanceLock
{
public:
    LockFileInstanceLock(const QString &key, const QString &fallbackFolder);

    bool tryLock() override;

    QString fileName() const;

private:
    QString m_fileName;
    QLockFile m_lock;
};

#include "platform/linux/LockFileInstanceLock.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString lockFolder(const QString &fallbackFolder)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    return fallbackFolder;
}

} // namespace

LockFileInstanceLock::LockFileInstanceLock(const QString &key, const QString &fallbackFolder)
    : m_fileName(QDir(lockFolder(fallbackFolder)).filePath(key + QStringLiteral(".lock")))
    , m_lock(m_fileName)
{
    // Age alone must never make a held lock stale: the program runs for days.
    m_lock.setStaleLockTime(0);
}

bool LockFileInstanceLock::tryLock()
{
    return m_lock.isLocked() || m_lock.tryLock(0);
}

QString LockFileInstanceLock::fileName() const
{
    return m_fileName;
}

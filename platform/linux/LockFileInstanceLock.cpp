#include "platform/linux/LockFileInstanceLock.h"

#include <QDebug>
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
    if (m_lock.isLocked() || m_lock.tryLock(0))
        return true;
    if (m_lock.error() == QLockFile::LockFailedError)
        return false;
    // The lock file cannot be written at all (no such folder, no rights):
    // that says nothing about another copy, and refusing to start would
    // leave the user with no program.
    qWarning() << "Cannot create the lock file" << m_fileName << "- going on without it";
    return true;
}

QString LockFileInstanceLock::fileName() const
{
    return m_fileName;
}

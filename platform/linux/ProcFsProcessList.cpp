#include "platform/linux/ProcFsProcessList.h"

#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096);
}

QString lastComponent(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The state letter follows the closing parenthesis of the command name in
// "stat"; the name itself may contain blanks and parentheses.
bool isZombie(const QByteArray &stat)
{
    const int close = stat.lastIndexOf(')');
    return close >= 0 && stat.size() > close + 2 && stat.at(close + 2) == 'Z';
}

} // namespace

ProcFsProcessList::ProcFsProcessList(const QString &procRoot)
    : m_procRoot(procRoot)
{}

QString ProcFsProcessList::executableNameOf(qint64 pid) const
{
    const QString dir = m_procRoot + QLatin1Char('/') + QString::number(pid);

    const QByteArray cmdline = readSmallFile(dir + QStringLiteral("/cmdline"));
    const QString argv0 = lastComponent(QString::fromLocal8Bit(cmdline.left(cmdline.indexOf('\0'))));
    if (!argv0.isEmpty())
        return argv0;

    QString exe = QFile::symLinkTarget(dir + QStringLiteral("/exe"));
    const QString deletedMark = QStringLiteral(" (deleted)");
    if (exe.endsWith(deletedMark))
        exe.chop(deletedMark.size());
    if (!exe.isEmpty())
        return lastComponent(exe);

    return QString::fromLocal8Bit(readSmallFile(dir + QStringLiteral("/comm"))).trimmed();
}

bool ProcFsProcessList::isRunning(const QString &executableName) const
{
    DIR *proc = opendir(QFile::encodeName(m_procRoot).constData());
    if (!proc)
        return false;

    const uid_t user = getuid();
    bool found = false;
    while (!found) {
        const dirent *entry = readdir(proc);
        if (!entry)
            break;
        char *end = nullptr;
        const long long pid = strtoll(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0')
            continue;
        struct stat info;
        if (fstatat(dirfd(proc), entry->d_name, &info, 0) != 0 || info.st_uid != user)
            continue;
        if (executableNameOf(pid) != executableName)
            continue;
        const QString stat = m_procRoot + QLatin1Char('/') + QString::number(pid) + QStringLiteral("/stat");
        found = !isZombie(readSmallFile(stat));
    }
    closedir(proc);
    return found;
}

#include "platform/linux/DetachedProcessLauncher.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

int DetachedProcessLauncher::start(const QString &program, const QString &arguments)
{
    const QFileInfo file(program);
    if (!file.dir().exists())
        return PathNotFound;
    if (!file.exists())
        return FileNotFound;
    if (!file.isFile() || !file.isExecutable())
        return BadFormat;
    if (!QProcess::startDetached(program, QProcess::splitCommand(arguments)))
        return BadFormat;
    return Started;
}

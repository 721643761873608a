#include "common/ProgramFiles.h"

#include "common/AppIdentity.h"
#include "platform/Platform.h"
#include "platform/ProcessList.h"
#include "platform/ProgramLauncher.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString &folderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

QString ProgramFiles::folder()
{
    const QString &overridden = folderOverride();
    return overridden.isEmpty() ? QCoreApplication::applicationDirPath() : overridden;
}

void ProgramFiles::setFolder(const QString &folder)
{
    folderOverride() = folder;
}

QString ProgramFiles::monitorFileName()
{
    return Platform::executableName(AppIdentity::monitorBaseName());
}

QString ProgramFiles::updaterFileName()
{
    return Platform::executableName(AppIdentity::updaterBaseName());
}

QString ProgramFiles::pathOf(const QString &fileName)
{
    return QDir(folder()).filePath(fileName);
}

int ProgramFiles::start(const QString &fileName, const QString &arguments)
{
    return Platform::launcher().start(pathOf(fileName), arguments);
}

bool isProcessRunning(const QString &name)
{
    return Platform::processes().isRunning(name);
}

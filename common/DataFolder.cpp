#include "common/DataFolder.h"

#include <QFile>

QString DataFolder::path()
{
    return QDir::home().filePath(QStringLiteral(".velmora"));
}

QDir DataFolder::ensure()
{
    const QString folder = path();
    if (!QDir(folder).exists() && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QDir(folder);
}

QString DataFolder::updatePath()
{
    return QDir(path()).filePath(QStringLiteral("update"));
}

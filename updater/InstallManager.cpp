#include "InstallManager.h"

#include "UpdateFiles.h"
#include "UpdaterStore.h"

#include "common/ProgramFiles.h"
#include "common/UpdateSettings.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

namespace {

const QString stagedSuffix = QStringLiteral(".velmora-new");
const QString keptSuffix = QStringLiteral(".velmora-old");

} // namespace

InstallManager::InstallManager()
{
    m_pollTimer.setInterval(100);
    connect(&m_pollTimer, &QTimer::timeout, this, &InstallManager::checkIsTalvIsClosed);
}

QStringList InstallManager::protectedNames()
{
    return {QStringLiteral("."),           QStringLiteral(".."),         ProgramFiles::updaterFileName(),
            QStringLiteral("QtCore4.dll"), QStringLiteral("QtGui4.dll"), QStringLiteral("QtNetwork4.dll")};
}

void InstallManager::start()
{
    qDebug() << "Waiting for process TALV finished...";
    m_pollTimer.start();
}

void InstallManager::checkIsTalvIsClosed()
{
    if (isProcessRunning(ProgramFiles::monitorFileName()))
        return;
    m_pollTimer.stop();
    install();
}

void InstallManager::install()
{
    QSettings &settings = UpdaterStore::instance().settings();
    settings.setValue(UpdateSettings::forceUpdateKey(), false);
    settings.setValue(UpdateSettings::updateAtStartupKey(), false);
    settings.sync();

    const QDir updateDir(UpdaterStore::instance().dataFolder().filePath(UpdateSettings::folderName()));
    const QDir programDir(ProgramFiles::folder());
    qDebug() << "Start copying...";

    const QStringList protectedList = protectedNames();
    QList<Replacement> files;
    const QStringList entries =
        updateDir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : entries) {
        // A download still in progress (or broken off) is no file of the
        // new version.
        if (protectedList.contains(name) || name.endsWith(UpdateFiles::partialSuffix()))
            continue;
        const QString destination = programDir.filePath(name);
        files.append(
            {name, updateDir.filePath(name), destination, destination + stagedSuffix, destination + keptSuffix});
    }

    // First every new file beside its destination, then every destination
    // replaced: a failure in either step leaves the old version whole.
    bool ok = true;
    for (Replacement &file : files)
        ok = stage(file) && ok;
    for (int i = 0; ok && i < files.size(); ++i)
        ok = replace(files[i]);

    if (!ok) {
        putBack(files);
        qDebug() << "Critical error! Exit";
        // The old version is intact: the user keeps recording with it.
        qDebug() << "Starting Velmora Team Monitor...";
        ProgramFiles::start(ProgramFiles::monitorFileName(), QString());
        emit finished(false);
        return;
    }

    for (const Replacement &file : qAsConst(files)) {
        QFile::remove(file.kept);
        QFile::remove(file.source);
    }
    qDebug() << "Copy ok!";
    settings.setValue(UpdateSettings::updateOkKey(), true);
    settings.sync();
    qDebug() << "Starting Velmora Team Monitor...";
    ProgramFiles::start(ProgramFiles::monitorFileName(), QString());
    emit finished(true);
}

bool InstallManager::stage(Replacement &file)
{
    QFile::remove(file.staged);
    const QFileInfo destination(file.destination);
    if (!QFileInfo(file.source).isFile() || !QFile::copy(file.source, file.staged)) {
        qDebug().noquote() << "Error! Can't copy file " + file.name + " from " + file.source;
        return false;
    }
    if (destination.exists()) {
        // The new file works as the old one did: a program stays executable.
        if (!destination.isFile() || !QFile::setPermissions(file.staged, QFile::permissions(file.destination))) {
            qDebug().noquote() << "Error! Can't remove file " + file.name + " from " + file.source;
            return false;
        }
    }
    return true;
}

bool InstallManager::replace(Replacement &file)
{
    if (QFileInfo::exists(file.destination)) {
        QFile::remove(file.kept);
        if (!QFile::rename(file.destination, file.kept)) {
            qDebug().noquote() << "Error! Can't remove file " + file.name + " from " + file.source;
            return false;
        }
        file.replaced = true;
    }
    if (!QFile::rename(file.staged, file.destination)) {
        qDebug().noquote() << "Error! Can't copy file " + file.name + " from " + file.source;
        return false;
    }
    file.installed = true;
    return true;
}

void InstallManager::putBack(const QList<Replacement> &files)
{
    for (const Replacement &file : files) {
        if (file.installed)
            QFile::remove(file.destination);
        if (file.replaced)
            QFile::rename(file.kept, file.destination);
        QFile::remove(file.staged);
    }
}

#include "client/Velmora.h"

#include "common/DataFolder.h"
#include "common/ProgramFiles.h"
#include "platform/ProgramLauncher.h"

#include <QDebug>
#include <QDesktopServices>
#include <QDirIterator>
#include <QFileInfo>
#include <QUrl>

Velmora::Velmora(QObject *parent)
    : QObject(parent)
    , m_dataFolder(DataFolder::ensure())
{
    registerTaskMetaTypes();
    m_session = new Session(this, this);
    m_session->restoreLastLogin();
    m_pendingSession = new Session(this, this);
    removeObsoleteFiles();
}

Velmora::~Velmora()
{
    if (!m_skipSaveOnExit)
        m_session->save();
    delete m_session;
    delete m_pendingSession;
    qDebug() << "Exit Velmora Team Monitor OK";
}

void Velmora::removeObsoleteFiles()
{
    const QStringList oldJsonFiles = m_dataFolder.entryList({QStringLiteral("json*")}, QDir::Files | QDir::Hidden);
    for (const QString &name : oldJsonFiles)
        m_dataFolder.remove(name);
    for (const char *name : {".velmora.db", "comments.data", "session.json"})
        m_dataFolder.remove(QLatin1String(name));

    const QString login = m_session->login();
    if (login.isEmpty())
        return;
    QDir userFolder(m_dataFolder.filePath(login));
    for (const char *name : {"session.json", "tasks.json", "teams.json"})
        userFolder.remove(QLatin1String(name));
    const QList<Team> teams = m_session->teams();
    for (const Team &team : teams) {
        // A team id is the service's text: never let it lead outside the folder.
        if (!team.first.isEmpty() && !team.first.contains(QLatin1Char('/')) && !team.first.contains(QLatin1Char('\\')))
            removeFolder(userFolder.filePath(QStringLiteral("team_") + team.first));
    }
}

QString Velmora::serviceUrl()
{
    const QString overridden = qEnvironmentVariable("VELMORA_SERVICE_URL");
    return overridden.isEmpty() ? QStringLiteral(VELMORA_SERVICE_URL) : overridden;
}

void Velmora::openUrl(const QString &url)
{
    QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

void Velmora::openTaskPage(const QString &taskId)
{
    openUrl(serviceUrl() + QStringLiteral("/task?id=") + taskId);
}

int Velmora::runWinAppAsAdmin(const QString &file, const QString &arguments)
{
    const int result = ProgramFiles::start(file, arguments);
    if (result <= 31 && result != ProgramLauncher::AccessDenied) {
        qWarning() << "Eror runWinAppAsAdmin" << file << result;
        openUrl(serviceUrl() + QStringLiteral("/monitor/"));
    }
    return result;
}

bool Velmora::removeFolder(const QString &path)
{
    QDir folder(path);
    if (!folder.exists())
        return true;
    const QFileInfoList entries =
        folder.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        // A link to a folder is removed as a link: what it points to is not ours.
        const bool removed = entry.isDir() && !entry.isSymLink() ? removeFolder(entry.absoluteFilePath())
                                                                 : QFile::remove(entry.absoluteFilePath());
        if (!removed)
            return false;
    }
    return folder.rmdir(folder.absolutePath());
}

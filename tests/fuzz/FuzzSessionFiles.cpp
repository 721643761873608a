// The session's files, as a damaged disk or an older version may leave
// them: config.ini, session.ini, teams.ini, tasks.ini and taskInfo.ini (one
// input fills any of them, pieces cut at "--8<--" lines). Whatever they
// hold, loading them never crashes, and what it reads can be used.

#include "FuzzSupport.h"
#include "model/Session.h"

#include <QFile>

namespace {

const QString login = QStringLiteral("fuzz@velmora.local");

class Owner final : public SessionOwner
{
public:
    QDir dataFolder() const override { return QDir(QDir::homePath() + QStringLiteral("/.velmora")); }
    void removeObsoleteFiles() override {}
};

void write(const QString &path, const QByteArray &content)
{
    if (content.isEmpty())
        return; // an empty piece: the file is missing
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzSupport::setUp();
    registerTaskMetaTypes();
    Owner owner;
    QDir folder = owner.dataFolder();
    folder.removeRecursively(); // the last run's files, set-aside ones too
    folder.mkpath(login);

    const QList<QByteArray> files = FuzzSupport::pieces(FuzzSupport::bytes(data, size), 5);
    write(folder.filePath(QStringLiteral("config.ini")), files[0]);
    const QStringList userFiles{QStringLiteral("session.ini"), QStringLiteral("teams.ini"), QStringLiteral("tasks.ini"),
                                QStringLiteral("taskInfo.ini")};
    for (int i = 0; i < userFiles.size(); ++i)
        write(folder.filePath(login + QLatin1Char('/') + userFiles[i]), files[i + 1]);

    Session session(&owner, nullptr);
    session.load(login, QString());
    for (const Team &team : session.teams()) {
        for (const Task &task : session.tasks(team.first))
            (void)session.taskInfo(task.id).title.size();
    }
    (void)session.shownWorkTime();
    (void)session.currentDeadline();
    return 0;
}

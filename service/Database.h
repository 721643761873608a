#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <mutex>
#include <optional>

struct sqlite3;

/// The stand-in service's storage: one SQLite file holding the accounts,
/// teams, memberships, tasks with their details, and everything the
/// monitors sent (activities, screenshots, deadline requests).
///
/// Safe to use from several threads: every operation holds one lock, and
/// every write is one transaction, so a failed request stores nothing.
/// Removing a task from a team or a member from a team only hides it from
/// the lists: minutes recorded for it earlier are still accepted.
class Database
{
public:
    Database() = default;
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    /// Opens (creating when missing) the database file at \a path.
    bool open(const QString &path, QString &error);
    void close();

    /// True when the database holds no account yet (a seed is due).
    bool isEmpty();
    /// Fills the database from a seed document (see seed/demo.json). Dates
    /// may be absolute ("yyyy-MM-dd HH:mm:ss") or relative to \a now
    /// ("+3d 18:00:00", "-2d 09:30:00").
    bool seed(const QJsonObject &seed, const QDateTime &now, QString &error);

    bool checkLogin(const QString &email, const QString &password);
    bool hasAccount(const QString &email);
    /// The account's current teams: [{"id","name"}].
    QJsonArray teams(const QString &email);
    /// The account's current teams with their current tasks.
    QJsonArray teamsWithTasks(const QString &email);
    /// Whether \a teamId is (or was) a team of the account and \a taskId
    /// ("0" for work outside the planned tasks) is (or was) a task of it.
    bool ownsTeamTask(const QString &email, const QString &teamId, const QString &taskId);
    /// Whether \a taskId is (or was) a task of one of the account's teams.
    bool ownsTask(const QString &email, const QString &taskId);
    /// The task's description as the service sends it: the task's fields
    /// plus its details.
    std::optional<QJsonObject> taskDetails(const QString &taskId);

    struct Upload
    {
        QString email;
        QString teamId;
        QString taskId;
        qint64 active = -1; ///< -1 for screenshots
        qint64 past = 0;
        QString version;
        QString fileName;
        QByteArray image;
    };
    bool storeActivity(const Upload &upload, const QDateTime &received);
    bool storeScreenshot(const Upload &upload, const QDateTime &received);
    bool storeDeadlineRequest(const QString &email, const QString &taskId, const QString &date, const QString &time,
                              const QString &message, const QDateTime &received);

    struct Minutes
    {
        qint64 active = 0;
        qint64 total = 0;
        qint64 task = 0;
    };
    /// The minutes recorded on \a day for the account: all of them, those
    /// with input, and those with input for \a taskId.
    Minutes minutes(const QString &email, const QDate &day, const QString &taskId);

    QByteArray versionFile();
    void setVersionFile(const QByteArray &body);

    // Test control.
    bool upsertTeam(const QString &id, const QString &name);
    bool removeTeam(const QString &id);
    bool addAccount(const QString &email, const QString &password);
    bool addMember(const QString &email, const QString &teamId);
    bool removeMember(const QString &email, const QString &teamId);
    /// Creates or changes a task from the keys present in \a task ("id",
    /// "title", "deadline", "block", "last_comment", "importance"), and puts
    /// it into the team \a teamId unless that is empty.
    bool upsertTask(const QJsonObject &task, const QString &teamId);
    /// Takes the task out of \a teamId, or out of every team when empty.
    bool removeTask(const QString &taskId, const QString &teamId);
    bool setTaskDetails(const QString &taskId, const QJsonObject &details);
    QJsonArray activities();
    QJsonArray screenshots();
    QJsonArray deadlineRequests();

private:
    bool execute(const char *sql);
    bool upsertTaskLocked(const QJsonObject &task, const QString &teamId, const QDateTime &now);

    sqlite3 *m_db = nullptr;
    std::mutex m_mutex;
};

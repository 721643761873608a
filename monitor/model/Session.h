#pragma once

#include "model/Task.h"
#include "model/TaskInfo.h"
#include "model/TeamTaskMap.h"

#include <QDate>
#include <QDir>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTime>

#include <memory>

class QSettings;

/// A team: its id and its name.
using Team = QPair<QString, QString>;

/// What a session needs from the object that owns it: where the data folder
/// is, and a clean-up of files an older storage layout left behind, run after
/// each load.
class SessionOwner
{
public:
    virtual QDir dataFolder() const = 0;
    virtual void removeObsoleteFiles() = 0;

protected:
    ~SessionOwner() = default;
};

/// The signed-in user's state: who is signed in, the chosen team and task,
/// whether recording is on, the day's worked and active time, and the cached
/// teams, tasks and task descriptions.
///
/// Everything is kept in INI files so that a restart on the same day resumes
/// the day's counters and the last choice. config.ini in the data folder
/// names the last user; the user folder (the data folder plus the login)
/// holds session.ini, teams.ini, tasks.ini and taskInfo.ini.
///
/// The times of the day are times of day used as durations below 24 hours.
/// The stored ones count whole minutes; the shown ones tick every second in
/// between.
class Session : public QObject
{
    Q_OBJECT

public:
    Session(SessionOwner *owner, QObject *parent);
    ~Session() override;

    /// Loads the user named by "lastLogin" in config.ini, if any.
    void restoreLastLogin();
    /// Makes \a login the session's user and reads the user's files. An
    /// empty \a password keeps the stored one. A stored day that is not today
    /// starts the day afresh.
    void load(const QString &login, const QString &password);
    /// Writes config.ini and, for an open user, the user's files.
    void save();
    /// Forgets the user: fields cleared, the user's files closed.
    void clear();

    QString login() const { return m_login; }
    void setLogin(const QString &login) { m_login = login; }
    QString password() const { return m_password; }
    void setPassword(const QString &password) { m_password = password; }
    QString teamID() const { return m_teamID; }
    void setTeamID(const QString &teamId) { m_teamID = teamId; }
    QString taskID() const { return m_taskID; }
    /// Stores \a taskId and emits taskChanged() when it differs.
    void setTaskID(const QString &taskId);
    bool active() const { return m_active; }
    void setActive(bool active) { m_active = active; }
    bool logged() const { return m_logged; }
    void setLogged(bool logged) { m_logged = logged; }
    bool isOnline() const { return m_isOnline; }
    void setOnline(bool online) { m_isOnline = online; }

    QDate worktimeDate() const { return m_worktimeDate; }
    QTime todayWorktime() const { return m_todayWorktime; }
    QTime shownWorkTime() const { return m_shownWorkTime; }
    QTime todayActivetime() const { return m_todayActivetime; }
    QTime shownActiveTime() const { return m_shownActiveTime; }

    /// The teams in the service's order.
    QList<Team> teams() const { return m_teams; }
    /// The team with \a teamId; two empty strings when there is none.
    Team teamName(const QString &teamId) const;
    /// The task list stored for \a teamId; empty when there is none.
    QList<Task> tasks(const QString &teamId) const { return m_tasks.tasks(teamId); }
    /// The blocking tasks of \a teamId, in list order.
    QList<Task> blockedTasks(const QString &teamId) const;
    /// Every task of every team in team-id order, each id once (the first
    /// occurrence wins).
    QList<Task> allTasks() const { return m_tasks.allTasks(); }
    /// The first task of \a teamId with \a taskId; an empty task when either
    /// is empty or none matches.
    Task findTask(const QString &teamId, const QString &taskId) const;
    /// The chosen task's deadline (invalid when the task is unknown); now for
    /// the pseudo-task, which has none.
    QDateTime currentDeadline() const;
    /// Seconds from the chosen task's deadline to now: positive once past.
    qint64 overdueSeconds() const;

    /// Replaces the team list, first raising notices about teams added and
    /// lost since the last list.
    void setTeams(const QList<Team> &teams);
    /// Replaces the task list of \a teamId, first raising notices about what
    /// changed since its last list (and closing tasks that vanished).
    void setTasks(const QString &teamId, const QList<Task> &tasks);
    void setTaskInfo(const QString &taskId, const TaskInfo &info);
    /// The stored description of \a taskId. An unknown id gets an empty
    /// description entered under it, which is what is returned.
    TaskInfo taskInfo(const QString &taskId);
    /// Removes every task with \a taskId from every team's list.
    void removeTask(const QString &taskId);
    /// Copies the deadline of \a task into the tasks of the same id in every
    /// team but \a teamId.
    void updateTaskDeadline(const QString &teamId, const Task &task);

    /// Every second: the shown times grow by one second, or, once the day has
    /// rolled over, all times start again at 00:00:00.
    void tickSecond();
    /// A minute of work passed: the stored work time grows, and is saved.
    void addWorkMinute();
    /// A minute with input passed: the stored active time of the day and of
    /// the chosen task grow.
    void addActiveMinute();
    void showStoredWork();
    void showStoredActive();
    /// The service's work time of the day; shown at once.
    void setTodayTotal(const QTime &time);
    /// The service's active time of the day; shown at once only when it is in
    /// another minute than the shown one, so the shown seconds keep running.
    void setTodayActive(const QTime &time);
    void setTaskActiveTime(const QString &taskId, const QTime &time);
    /// The active time of \a taskId today; 00:00:00 when it has none.
    QTime todayActiveTime(const QString &taskId) const;

signals:
    void teamsUpdated();
    void tasksUpdated(const QString &teamId);
    void timeUpdated();
    void taskClosed(const QString &taskId);
    void taskChanged(const QString &taskId);
    void overdueTimeChanged();

private:
    QString userFolder() const;
    QString userFile(const QString &fileName) const;
    std::unique_ptr<QSettings> openUserFile(const QString &fileName) const;
    static bool mustWrite(const QSettings *file, bool changed);
    void readSessionFile();
    void resetDay();

    void compareTeams(const QList<Team> &oldTeams, const QList<Team> &newTeams) const;
    void compareTasks(const QString &teamId, const QList<Task> &oldTasks, const QList<Task> &newTasks);

    SessionOwner *m_owner;
    QString m_teamID;
    QString m_taskID;
    QString m_login;
    QString m_password;
    bool m_active = false;
    bool m_logged = false;
    bool m_isOnline = true;
    QDate m_worktimeDate;
    QTime m_todayWorktime;
    QTime m_shownWorkTime;
    QTime m_todayActivetime;
    QTime m_shownActiveTime;
    std::unique_ptr<QSettings> m_configFile;
    std::unique_ptr<QSettings> m_sessionFile;
    std::unique_ptr<QSettings> m_teamsFile;
    std::unique_ptr<QSettings> m_tasksFile;
    std::unique_ptr<QSettings> m_taskInfoFile;
    TeamTaskMap m_tasks;
    QMap<QString, TaskInfo> m_taskInfos;
    QList<Team> m_teams;
    QMap<QString, QTime> m_task2activeTimeMap;
    // Whether the cached teams, tasks and descriptions differ from their
    // files: save() runs every worked minute and need not rewrite a large
    // task cache that did not change.
    bool m_teamsChanged = false;
    bool m_tasksChanged = false;
    bool m_taskInfosChanged = false;

    Q_DISABLE_COPY(Session)
};

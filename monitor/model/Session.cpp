#include "model/Session.h"

#include "common/Clock.h"
#include "common/SettingsFile.h"
#include "model/NotificationType.h"
#include "model/Notifier.h"

#include <QDebug>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QSettings>

#include <algorithm>

namespace {

// The session's files and their keys. Keys stand in the files' general
// section; records are stored as variants of the registered task types.
//
// config.ini (data folder)
//   lastLogin          string  login of the last signed-in user, or empty
// session.ini (user folder), read only when the file exists
//   password           string  in plain text; the file is owner-only
//   logged             bool    default false
//   active             bool    default false
//   teamID             string  default empty
//   taskID             string  default empty
//   isOnline           bool    default true
//   worktimeDate       date    "Thu Dec 10 2026"; unreadable: not today
//   todayWorktime      time    "HH:mm:ss"; unreadable: field unchanged
//   todayActivetime    time    "HH:mm:ss"; unreadable: field unchanged
//   task2activeTimeMap map     task id -> time
// teams.ini: team id -> team name; rewritten whole on every save
// tasks.ini: team id -> QList<Task>
// taskInfo.ini: task id -> TaskInfo
namespace File {
const QString config = QStringLiteral("config.ini");
const QString session = QStringLiteral("session.ini");
const QString teams = QStringLiteral("teams.ini");
const QString tasks = QStringLiteral("tasks.ini");
const QString taskInfo = QStringLiteral("taskInfo.ini");
} // namespace File

namespace Key {
const QString lastLogin = QStringLiteral("lastLogin");
const QString password = QStringLiteral("password");
const QString logged = QStringLiteral("logged");
const QString active = QStringLiteral("active");
const QString teamID = QStringLiteral("teamID");
const QString taskID = QStringLiteral("taskID");
const QString isOnline = QStringLiteral("isOnline");
const QString worktimeDate = QStringLiteral("worktimeDate");
const QString todayWorktime = QStringLiteral("todayWorktime");
const QString todayActivetime = QStringLiteral("todayActivetime");
const QString task2activeTimeMap = QStringLiteral("task2activeTimeMap");
} // namespace Key

const QTime midnight(0, 0, 0);

// Qt's text form of a date uses the system language's day and month names,
// so a date written before the user changed the language would no longer
// read back, and the day's counters would start again. Dates are therefore
// written in the English form (what Qt writes under an English locale) and
// read in that form or, for files written by other runs, in the local one.
const QString dateForm = QStringLiteral("ddd MMM d yyyy");

QString dateText(const QDate &date)
{
    return QLocale::c().toString(date, dateForm);
}

QDate dateFromText(const QString &text)
{
    const QDate date = QLocale::c().toDate(text, dateForm);
    return date.isValid() ? date : QDate::fromString(text, Qt::TextDate);
}

QTime wholeMinutes(const QTime &time)
{
    return QTime(time.hour(), time.minute());
}

int minutesOf(const QTime &time)
{
    return time.msecsSinceStartOfDay() / 60000;
}

bool identical(const QList<Task> &a, const QList<Task> &b)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(), [](const Task &x, const Task &y) {
        return x.id == y.id && x.title == y.title && x.deadline == y.deadline && x.block == y.block &&
               x.last_comment == y.last_comment && x.importance == y.importance;
    });
}

/// The record type every value of \a fileName holds, or none.
QByteArray recordTypeOf(const QString &fileName)
{
    if (fileName == File::tasks)
        return QByteArrayLiteral("QList<Task>");
    if (fileName == File::taskInfo)
        return QByteArrayLiteral("TaskInfo");
    return QByteArray();
}

/// Opens a settings file; one that cannot be read is set aside and the user
/// told so, and the session goes on without it.
std::unique_ptr<QSettings> openChecked(const QString &path, const QString &fileName)
{
    QString setAsideAs;
    std::unique_ptr<QSettings> settings = SettingsFile::open(path, recordTypeOf(fileName), &setAsideAs);
    if (!setAsideAs.isEmpty())
        Notifier::raise(SettingsFile::setAsideNotice(fileName, setAsideAs), Message);
    return settings;
}

void syncOwnerOnly(QSettings &settings)
{
    settings.sync();
    QFile::setPermissions(settings.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace

Session::Session(SessionOwner *owner, QObject *parent)
    : QObject(parent)
    , m_owner(owner)
    , m_todayWorktime(midnight)
    , m_shownWorkTime(midnight)
    , m_todayActivetime(midnight)
    , m_shownActiveTime(midnight)
{
    // The stored records are checked by their own readers: registered first.
    registerTaskMetaTypes();
    m_configFile = openChecked(owner->dataFolder().filePath(File::config), File::config);
}

Session::~Session() = default;

void Session::restoreLastLogin()
{
    const QString lastLogin = m_configFile->value(Key::lastLogin).toString();
    if (!lastLogin.isEmpty())
        load(lastLogin, QString());
}

QString Session::userFolder() const
{
    return m_owner->dataFolder().filePath(m_login);
}

QString Session::userFile(const QString &fileName) const
{
    return userFolder() + QLatin1Char('/') + fileName;
}

std::unique_ptr<QSettings> Session::openUserFile(const QString &fileName) const
{
    return openChecked(userFile(fileName), fileName);
}

void Session::load(const QString &login, const QString &password)
{
    const bool keepStoredPassword = password.isEmpty();
    m_login = login;
    if (!keepStoredPassword)
        m_password = password;

    QDir().mkpath(userFolder() + QStringLiteral("/activity"));

    m_sessionFile = openUserFile(File::session);
    if (QFile::exists(m_sessionFile->fileName())) {
        if (keepStoredPassword)
            m_password = m_sessionFile->value(Key::password).toString();
        readSessionFile();
    } else {
        // A user new to this computer starts the day from nothing, dated
        // today, so the first save keeps the day's counters readable.
        resetDay();
    }

    m_teamsFile = openUserFile(File::teams);
    m_teams.clear();
    const QStringList teamIds = m_teamsFile->allKeys();
    for (const QString &teamId : teamIds)
        m_teams.append({teamId, m_teamsFile->value(teamId).toString()});

    m_tasksFile = openUserFile(File::tasks);
    if (QFile::exists(m_tasksFile->fileName())) {
        const QStringList keys = m_tasksFile->allKeys();
        for (const QString &teamId : keys)
            m_tasks.insert(teamId, m_tasksFile->value(teamId).value<QList<Task>>());
    }

    m_taskInfoFile = openUserFile(File::taskInfo);
    const QStringList taskIds = m_taskInfoFile->allKeys();
    for (const QString &taskId : taskIds)
        m_taskInfos.insert(taskId, m_taskInfoFile->value(taskId).value<TaskInfo>());

    m_owner->removeObsoleteFiles();
}

void Session::readSessionFile()
{
    QSettings &file = *m_sessionFile;
    m_logged = file.value(Key::logged, false).toBool();
    m_active = file.value(Key::active, false).toBool();
    m_teamID = file.value(Key::teamID).toString();
    m_taskID = file.value(Key::taskID).toString();
    m_isOnline = file.value(Key::isOnline, true).toBool();
    m_worktimeDate = dateFromText(file.value(Key::worktimeDate).toString());

    if (m_worktimeDate != Clock::today()) {
        // Another day: its counters are not today's.
        m_worktimeDate = Clock::today();
        return;
    }

    const QTime work = QTime::fromString(file.value(Key::todayWorktime).toString(), Qt::TextDate);
    if (work.isValid())
        m_todayWorktime = m_shownWorkTime = wholeMinutes(work);
    const QTime activeTime = QTime::fromString(file.value(Key::todayActivetime).toString(), Qt::TextDate);
    if (activeTime.isValid())
        m_todayActivetime = m_shownActiveTime = wholeMinutes(activeTime);

    m_task2activeTimeMap.clear();
    const QVariantMap stored = file.value(Key::task2activeTimeMap).toMap();
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        m_task2activeTimeMap.insert(it.key(), it.value().toTime());
    emit timeUpdated();
}

void Session::save()
{
    m_configFile->setValue(Key::lastLogin, m_login);
    m_configFile->sync();

    if (m_sessionFile && !m_login.isEmpty()) {
        QSettings &file = *m_sessionFile;
        file.setValue(Key::password, m_password);
        file.setValue(Key::logged, m_logged);
        file.setValue(Key::active, m_active);
        file.setValue(Key::teamID, m_teamID);
        file.setValue(Key::taskID, m_taskID);
        file.setValue(Key::isOnline, m_isOnline);
        file.setValue(Key::worktimeDate, dateText(m_worktimeDate));
        file.setValue(Key::todayWorktime, m_todayWorktime.toString(Qt::TextDate));
        file.setValue(Key::todayActivetime, m_todayActivetime.toString(Qt::TextDate));
        QVariantMap times;
        for (auto it = m_task2activeTimeMap.cbegin(); it != m_task2activeTimeMap.cend(); ++it)
            times.insert(it.key(), it.value());
        file.setValue(Key::task2activeTimeMap, times);
        syncOwnerOnly(file);
    }

    // Each file is written in one go: a crash mid-save leaves the previous
    // file whole.
    if (mustWrite(m_teamsFile.get(), m_teamsChanged)) {
        m_teamsFile->clear();
        for (const Team &team : qAsConst(m_teams))
            m_teamsFile->setValue(team.first, team.second);
        m_teamsFile->sync();
        m_teamsChanged = false;
    }
    if (mustWrite(m_tasksFile.get(), m_tasksChanged)) {
        const TeamTaskMap::Lists &lists = m_tasks.lists();
        for (auto it = lists.cbegin(); it != lists.cend(); ++it)
            m_tasksFile->setValue(it.key(), QVariant::fromValue(it.value()));
        m_tasksFile->sync();
        m_tasksChanged = false;
    }
    if (mustWrite(m_taskInfoFile.get(), m_taskInfosChanged)) {
        for (auto it = m_taskInfos.cbegin(); it != m_taskInfos.cend(); ++it)
            m_taskInfoFile->setValue(it.key(), QVariant::fromValue(it.value()));
        m_taskInfoFile->sync();
        m_taskInfosChanged = false;
    }
}

bool Session::mustWrite(const QSettings *file, bool changed)
{
    return file && (changed || !QFile::exists(file->fileName()));
}

void Session::clear()
{
    m_login.clear();
    m_password.clear();
    m_teamID.clear();
    m_taskID.clear();
    m_active = false;
    m_logged = false;
    m_isOnline = false;
    resetDay();
    m_tasks.clear();
    m_taskInfos.clear();
    m_teams.clear();
    m_sessionFile.reset();
    m_tasksFile.reset();
    m_taskInfoFile.reset();
    m_teamsFile.reset();
    m_teamsChanged = m_tasksChanged = m_taskInfosChanged = false;
}

void Session::resetDay()
{
    m_worktimeDate = Clock::today();
    m_todayWorktime = m_shownWorkTime = m_todayActivetime = m_shownActiveTime = midnight;
    m_task2activeTimeMap.clear();
}

void Session::setTaskID(const QString &taskId)
{
    if (taskId == m_taskID)
        return;
    m_taskID = taskId;
    emit taskChanged(taskId);
}

Team Session::teamName(const QString &teamId) const
{
    for (const Team &team : m_teams) {
        if (team.first == teamId)
            return team;
    }
    return Team();
}

QList<Task> Session::blockedTasks(const QString &teamId) const
{
    QList<Task> blocked;
    const QList<Task> teamTasks = tasks(teamId);
    for (const Task &task : teamTasks) {
        if (isBlocking(task))
            blocked.append(task);
    }
    return blocked;
}

Task Session::findTask(const QString &teamId, const QString &taskId) const
{
    if (teamId.isEmpty() || taskId.isEmpty())
        return Task();
    const QList<Task> teamTasks = tasks(teamId);
    for (const Task &task : teamTasks) {
        if (task.id == taskId)
            return task;
    }
    return Task();
}

QDateTime Session::currentDeadline() const
{
    if (m_taskID == pseudoTaskId())
        return Clock::now();
    return findTask(m_teamID, m_taskID).deadline;
}

qint64 Session::overdueSeconds() const
{
    return currentDeadline().secsTo(Clock::now());
}

void Session::setTeams(const QList<Team> &teams)
{
    compareTeams(m_teams, teams);
    m_teamsChanged = m_teamsChanged || teams != m_teams;
    m_teams = teams;
    emit teamsUpdated();
}

void Session::setTasks(const QString &teamId, const QList<Task> &tasks)
{
    compareTasks(teamId, m_tasks.tasks(teamId), tasks);
    m_tasksChanged = m_tasksChanged || !m_tasks.lists().contains(teamId) || !identical(m_tasks.tasks(teamId), tasks);
    m_tasks.insert(teamId, tasks);
    // The first complete download after a fresh sign-in is stored at once, so
    // that the next one has something to compare with.
    if (!QFile::exists(userFile(File::tasks)) && m_teams.size() == m_tasks.size())
        save();
    emit tasksUpdated(teamId);
}

void Session::setTaskInfo(const QString &taskId, const TaskInfo &info)
{
    m_taskInfos.insert(taskId, info);
    m_taskInfosChanged = true;
}

TaskInfo Session::taskInfo(const QString &taskId)
{
    auto it = m_taskInfos.find(taskId);
    if (it == m_taskInfos.end()) {
        it = m_taskInfos.insert(taskId, TaskInfo());
        m_taskInfosChanged = true;
    }
    return *it;
}

void Session::removeTask(const QString &taskId)
{
    m_tasks.removeTask(taskId);
    m_tasksChanged = true;
}

void Session::updateTaskDeadline(const QString &teamId, const Task &task)
{
    m_tasks.setDeadline(teamId, task.id, task.deadline);
    m_tasksChanged = true;
}

void Session::compareTeams(const QList<Team> &oldTeams, const QList<Team> &newTeams) const
{
    if (!QFile::exists(userFile(File::teams)))
        return;
    QSet<QString> oldIds;
    for (const Team &team : oldTeams)
        oldIds.insert(team.first);
    QSet<QString> newIds;
    for (const Team &team : newTeams)
        newIds.insert(team.first);

    for (const Team &team : newTeams) {
        if (!oldIds.contains(team.first))
            Notifier::raise(team.second, TeamAdded);
    }
    for (const Team &team : oldTeams) {
        if (!newIds.contains(team.first))
            Notifier::raise(team.second, TeamRemoved);
    }
}

void Session::compareTasks(const QString &teamId, const QList<Task> &oldTasks, const QList<Task> &newTasks)
{
    if (!QFile::exists(userFile(File::tasks)))
        return;

    // New and changed tasks, compared with the task as all teams know it
    // (teams handled earlier in this download already hold their new lists).
    for (const Task &task : newTasks) {
        if (task.id == pseudoTaskId())
            continue;
        const Task *known = m_tasks.firstWithId(task.id);
        if (known) {
            if (!isBlocking(*known) && isBlocking(task))
                Notifier::raise(task.title, TaskBlocked, task.id);
            if (isBlocking(*known) && !isBlocking(task))
                Notifier::raise(task.title, TaskUnblocked, task.id);
            if (known->last_comment < task.last_comment)
                Notifier::raise(task.title, CommentAdded, task.id);
        } else if (isBlocking(task)) {
            qDebug() << "Task blocked added " << task.title << task.id;
            Notifier::raise(task.title, BlockingTaskAdded, task.id);
        } else {
            qDebug() << "Task added " << task.title << task.id;
            Notifier::raise(task.title, TaskAdded, task.id);
        }
    }

    // Where each id stands in the new list, for the two passes below.
    QHash<QString, QList<int>> newPositions;
    for (int i = 0; i < newTasks.size(); ++i)
        newPositions[newTasks.at(i).id].append(i);

    // Tasks that vanished from this team are closed everywhere.
    for (const Task &task : oldTasks) {
        if (task.id == pseudoTaskId() || newPositions.contains(task.id))
            continue;
        removeTask(task.id);
        Notifier::raise(task.title, TaskRemoved);
        emit taskClosed(task.id);
    }

    if (teamId == exemptTeamId())
        return;
    for (const Task &old : oldTasks) {
        if (old.id == pseudoTaskId())
            continue;
        const QList<int> positions = newPositions.value(old.id);
        for (const int position : positions) {
            const Task &task = newTasks.at(position);
            if (old.deadline == task.deadline)
                continue;
            updateTaskDeadline(teamId, task);
            Notifier::raise(old.title, DeadlineChanged);
            if (old.id == m_taskID)
                emit overdueTimeChanged();
        }
    }
}

void Session::tickSecond()
{
    if (Clock::today() > m_worktimeDate) {
        resetDay();
    } else {
        m_shownWorkTime = m_shownWorkTime.addSecs(1);
        m_shownActiveTime = m_shownActiveTime.addSecs(1);
    }
    emit timeUpdated();
}

void Session::addWorkMinute()
{
    m_todayWorktime = m_todayWorktime.addSecs(60);
    save();
}

void Session::addActiveMinute()
{
    m_todayActivetime = m_todayActivetime.addSecs(60);
    m_task2activeTimeMap.insert(m_taskID, m_task2activeTimeMap.value(m_taskID, midnight).addSecs(60));
}

void Session::showStoredWork()
{
    m_shownWorkTime = m_todayWorktime;
    emit timeUpdated();
}

void Session::showStoredActive()
{
    m_shownActiveTime = m_todayActivetime;
    emit timeUpdated();
}

void Session::setTodayTotal(const QTime &time)
{
    m_todayWorktime = m_shownWorkTime = time;
}

void Session::setTodayActive(const QTime &time)
{
    m_todayActivetime = time;
    if (minutesOf(m_shownActiveTime) != minutesOf(time)) {
        m_shownActiveTime = time;
        emit timeUpdated();
    }
}

void Session::setTaskActiveTime(const QString &taskId, const QTime &time)
{
    m_task2activeTimeMap.insert(taskId, time);
}

QTime Session::todayActiveTime(const QString &taskId) const
{
    qDebug() << "Session todayActiveTime";
    return m_task2activeTimeMap.value(taskId, midnight);
}

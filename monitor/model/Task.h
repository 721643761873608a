#pragma once

#include <QDataStream>
#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>

/// One line of a team's task list, as the service describes it.
///
/// Two tasks are the same task when their ids are equal. The stream operators
/// write the fields in declaration order with no header of their own: that
/// order is the file format of tasks.ini.
struct Task
{
    QString id;
    QString title;
    QDateTime deadline; ///< invalid when the service gave none
    QString block;      ///< empty or "0": open; anything else: blocked
    QDateTime last_comment;
    qint32 importance = 0;
};

/// The id of the pseudo-task that ends every team's list.
inline QString pseudoTaskId()
{
    return QStringLiteral("0");
}

/// The id of the team to which deadline requests, description downloads and
/// deadline-change notices do not apply.
inline QString exemptTeamId()
{
    return QStringLiteral("2192");
}

/// The pseudo-task appended to every team's list: work on the team that
/// belongs to no planned task.
Task pseudoTask();

/// Whether \a task blocks the team's work: its block field is neither empty
/// nor "0".
bool isBlocking(const Task &task);

/// A deadline as the windows show it, "yyyy-MM-dd HH:mm:ss"; empty when
/// \a deadline is invalid.
QString deadlineText(const QDateTime &deadline);

/// The picture that stands for \a task in task lists and on the main window:
/// blocking, ordinary or important.
QString taskIcon(const Task &task);

QDataStream &operator<<(QDataStream &out, const Task &task);
QDataStream &operator>>(QDataStream &in, Task &task);

/// Registers the task records under the names the settings files store them
/// by ("Task", "QList<Task>", "TaskInfo", ...), each with its stream
/// operators. Safe to call more than once.
void registerTaskMetaTypes();

Q_DECLARE_METATYPE(Task)

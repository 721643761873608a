#pragma once

#include "model/Task.h"
#include "model/TaskInfo.h"
#include "model/TaskReader.h"

#include <QList>
#include <QString>
#include <QTime>
#include <QVariant>

#include <optional>

/// Reads the bodies of the service's replies into records. A body that is
/// not of the shape its reply must have reads as nothing (std::nullopt), so
/// that the caller changes nothing.
///
/// One reader serves one client: it keeps the task reader, whose memory of
/// date-times spans replies.
class ReplyReader
{
public:
    /// One team of the teams download, with its tasks.
    struct TeamTasks
    {
        QString id;
        QString name;
        /// The service's tasks, followed by the pseudo-task.
        QList<Task> tasks;
    };

    /// The teams of a teams download: a JSON list of team objects, each with
    /// "id", "name" and "tasks". Teams without an id are left out.
    std::optional<QList<TeamTasks>> teams(const QByteArray &body);

    /// A reply of the form {"status": ..., "message": ...}.
    struct Status
    {
        bool ok = false; ///< the status is "ok"
        QVariant message;
        QString messageText() const { return message.toString(); }
    };
    /// The status reply of \a body; not ok when it is no JSON object.
    static Status status(const QByteArray &body);

    /// The description a task-details reply brings: its "message" object,
    /// when the status is "ok".
    std::optional<TaskInfo> taskInfo(const Status &reply);

    /// The worked and active times of the time sync, each from a count of
    /// minutes.
    struct DayTimes
    {
        QTime active;
        QTime total;
        QTime task; ///< of the task that was asked about
    };
    /// The times of a time sync: a JSON object holding "today_active" or
    /// "today_total" (a missing count reads as 0). Anything else holds no
    /// times: read as zeros, it would set the day back to 00:00.
    static std::optional<DayTimes> dayTimes(const QByteArray &body);

private:
    TaskReader m_tasks;
};

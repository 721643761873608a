#pragma once

#include "model/Task.h"
#include "model/TaskInfo.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariantMap>

/// Reads the task objects and task descriptions of the service's replies.
///
/// Date-times come as "yyyy-MM-dd HH:mm:ss" in local time. Making a local
/// date-time is costly (the C library looks at the time zone file every
/// time), while a reply repeats the same deadlines over and over and the
/// next download brings mostly the same times again. So the reader remembers
/// the date-times of the current and of the previous reply: keep one reader
/// for a kind of reply and call nextReply() after each.
class TaskReader
{
public:
    /// The task of \a object: the date-times from "deadline" and
    /// "last_comment" (invalid when missing or malformed), "importance" as an
    /// integer (0 when missing), the rest as text (empty when missing).
    Task task(const QVariantMap &object);

    /// The description of a task-details reply's "message": every leaf as
    /// text, "deadline" as a date-time, each text order's "page" as a URL
    /// read leniently.
    TaskInfo taskInfo(const QVariantMap &message);

    /// \a text read as "yyyy-MM-dd HH:mm:ss" in local time; invalid when it
    /// is not in that form.
    QDateTime dateTime(const QString &text);

    /// Forgets the date-times that the reply before the one just read used.
    void nextReply();

private:
    QHash<QString, QDateTime> m_current;
    QHash<QString, QDateTime> m_previous;
};

#pragma once

#include <QDataStream>
#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QUrl>

/// One file attached to a task.
struct Attachment
{
    QString id;
    QString filename;      ///< the name the service stores the file under
    QString filename_orig; ///< the name it was uploaded under
    QString size;
};

/// One keyword of a text item, with the counts the service asks for.
struct Keyword
{
    QString id;
    QString keyword;
    QString count;
    QString count2;
};

/// One text item of a task.
struct TextTask
{
    QString id;
    QString text;
    QString title;
    QString min_count;
    QUrl page;
    QString task;
    QList<Keyword> keywords;
};

/// The full description of one task. An empty id marks a description that
/// has not been fetched yet.
///
/// The stream operators of these records write their fields in declaration
/// order, lists as a count followed by the elements: that is the file format
/// of taskInfo.ini. Reading a damaged stream yields an empty record (an empty
/// list for a list) and leaves the stream's failure status set.
struct TaskInfo
{
    QString id;
    QString title;
    QDateTime deadline;
    QString text;
    QString executor_name;
    QString creator_name;
    QString auditor_name;
    QList<Attachment> files;
    QList<TextTask> texts;
};

QDataStream &operator<<(QDataStream &out, const Attachment &attachment);
QDataStream &operator>>(QDataStream &in, Attachment &attachment);
QDataStream &operator<<(QDataStream &out, const Keyword &keyword);
QDataStream &operator>>(QDataStream &in, Keyword &keyword);
QDataStream &operator<<(QDataStream &out, const TextTask &text);
QDataStream &operator>>(QDataStream &in, TextTask &text);
QDataStream &operator<<(QDataStream &out, const TaskInfo &info);
QDataStream &operator>>(QDataStream &in, TaskInfo &info);

Q_DECLARE_METATYPE(Attachment)
Q_DECLARE_METATYPE(Keyword)
Q_DECLARE_METATYPE(TextTask)
Q_DECLARE_METATYPE(TaskInfo)

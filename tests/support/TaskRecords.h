#pragma once

// Field-by-field equality of the task records, and filled-in samples, for
// tests. The program itself compares tasks by id only.

#include "model/Task.h"
#include "model/TaskInfo.h"

inline bool operator==(const Task &a, const Task &b)
{
    return a.id == b.id && a.title == b.title && a.deadline == b.deadline && a.block == b.block &&
           a.last_comment == b.last_comment && a.importance == b.importance;
}

inline bool operator==(const Attachment &a, const Attachment &b)
{
    return a.id == b.id && a.filename == b.filename && a.filename_orig == b.filename_orig && a.size == b.size;
}

inline bool operator==(const Keyword &a, const Keyword &b)
{
    return a.id == b.id && a.keyword == b.keyword && a.count == b.count && a.count2 == b.count2;
}

inline bool operator==(const TextTask &a, const TextTask &b)
{
    return a.id == b.id && a.text == b.text && a.title == b.title && a.min_count == b.min_count && a.page == b.page &&
           a.task == b.task && a.keywords == b.keywords;
}

inline bool operator==(const TaskInfo &a, const TaskInfo &b)
{
    return a.id == b.id && a.title == b.title && a.deadline == b.deadline && a.text == b.text &&
           a.executor_name == b.executor_name && a.creator_name == b.creator_name && a.auditor_name == b.auditor_name &&
           a.files == b.files && a.texts == b.texts;
}

inline QDateTime at(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

inline Task makeTask(const QString &id, const QString &title, const char *deadline = "", const QString &block = {},
                     const char *lastComment = "", qint32 importance = 0)
{
    Task task;
    task.id = id;
    task.title = title;
    task.deadline = at(deadline);
    task.block = block;
    task.last_comment = at(lastComment);
    task.importance = importance;
    return task;
}

/// The description the committed fixture taskInfo.ini holds under "101".
inline TaskInfo sampleTaskInfo()
{
    TaskInfo info;
    info.id = QStringLiteral("101");
    info.title = QStringLiteral("Сверстать форму входа");
    info.deadline = at("2026-12-24 18:30:00");
    info.text = QStringLiteral("Описание\nв две строки");
    info.executor_name = QStringLiteral("Ivan");
    info.creator_name = QStringLiteral("Olga");
    info.auditor_name = QStringLiteral("Petr");
    info.files = {Attachment{QStringLiteral("5"), QStringLiteral("f5.png"), QStringLiteral("screen.png"),
                             QStringLiteral("2048")}};
    TextTask text;
    text.id = QStringLiteral("9");
    text.text = QStringLiteral("text");
    text.title = QStringLiteral("title");
    text.min_count = QStringLiteral("300");
    text.page = QUrl(QStringLiteral("https://example.com/page?a=1"));
    text.task = QStringLiteral("101");
    text.keywords = {Keyword{QStringLiteral("1"), QStringLiteral("форма"), QStringLiteral("2"), QStringLiteral("4")},
                     Keyword{QStringLiteral("2"), QStringLiteral("login"), QStringLiteral("1"), QStringLiteral("1")}};
    info.texts = {text};
    return info;
}

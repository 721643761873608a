#include "model/TaskReader.h"

#include "model/Json.h"

#include <QUrl>

#include <algorithm>

namespace {

const QString dateTimeForm = QStringLiteral("yyyy-MM-dd HH:mm:ss");

/// The number written in \a count digits at \a at; -1 when one is no digit.
int digits(const QString &text, int at, int count)
{
    int value = 0;
    for (int i = at; i < at + count; ++i) {
        const ushort c = text.at(i).unicode();
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

/// The service's own form is read directly: Qt's format parser converts to
/// and from local time many times per call. Other text goes to that parser,
/// which decides what else it accepts.
QDateTime readDateTime(const QString &text)
{
    if (text.size() == dateTimeForm.size() && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-') &&
        text.at(10) == QLatin1Char(' ') && text.at(13) == QLatin1Char(':') && text.at(16) == QLatin1Char(':')) {
        const int year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
        const int hour = digits(text, 11, 2), minute = digits(text, 14, 2), second = digits(text, 17, 2);
        if (std::min({year, month, day, hour, minute, second}) >= 0) {
            const QDate date(year, month, day);
            const QTime time(hour, minute, second);
            if (date.isValid() && time.isValid())
                return QDateTime(date, time);
        }
    }
    return text.isEmpty() ? QDateTime() : QDateTime::fromString(text, dateTimeForm);
}

using Json::text;

} // namespace

QDateTime TaskReader::dateTime(const QString &text)
{
    auto known = m_current.constFind(text);
    if (known == m_current.cend()) {
        const auto earlier = m_previous.constFind(text);
        known = m_current.insert(text, earlier != m_previous.cend() ? *earlier : readDateTime(text));
    }
    return *known;
}

void TaskReader::nextReply()
{
    m_previous.swap(m_current);
    m_current.clear();
}

Task TaskReader::task(const QVariantMap &object)
{
    Task task;
    task.id = object.value(QStringLiteral("id")).toString();
    task.title = object.value(QStringLiteral("title")).toString();
    task.deadline = dateTime(object.value(QStringLiteral("deadline")).toString());
    task.block = object.value(QStringLiteral("block")).toString();
    task.last_comment = dateTime(object.value(QStringLiteral("last_comment")).toString());
    task.importance = object.value(QStringLiteral("importance")).toInt();
    return task;
}

TaskInfo TaskReader::taskInfo(const QVariantMap &message)
{
    TaskInfo info;
    info.id = text(message, "id");
    info.title = text(message, "title");
    info.deadline = dateTime(text(message, "deadline"));
    info.text = text(message, "text");
    info.executor_name = text(message, "executor_name");
    info.creator_name = text(message, "creator_name");
    info.auditor_name = text(message, "auditor_name");
    const QVariantList files = message.value(QStringLiteral("files")).toList();
    for (const QVariant &entry : files) {
        const QVariantMap file = entry.toMap();
        info.files.append({text(file, "id"), text(file, "filename"), text(file, "filename_orig"), text(file, "size")});
    }
    const QVariantList texts = message.value(QStringLiteral("texts")).toList();
    for (const QVariant &entry : texts) {
        const QVariantMap item = entry.toMap();
        TextTask textTask;
        textTask.id = text(item, "id");
        textTask.text = text(item, "text");
        textTask.title = text(item, "title");
        textTask.min_count = text(item, "min_count");
        textTask.page = QUrl(text(item, "page"), QUrl::TolerantMode);
        if (!textTask.page.isValid())
            textTask.page.clear(); // a link that does not parse is none; taskInfo.ini stores it so
        textTask.task = text(item, "task");
        const QVariantList keywords = item.value(QStringLiteral("keywords")).toList();
        for (const QVariant &keywordEntry : keywords) {
            const QVariantMap keyword = keywordEntry.toMap();
            textTask.keywords.append(
                {text(keyword, "id"), text(keyword, "keyword"), text(keyword, "count"), text(keyword, "count2")});
        }
        info.texts.append(textTask);
    }
    return info;
}

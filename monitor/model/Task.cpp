#include "model/Task.h"

#include "model/RecordStream.h"
#include "model/TaskInfo.h"

#include <algorithm>

Task pseudoTask()
{
    Task task;
    task.id = pseudoTaskId();
    task.title = QStringLiteral("Прочие непоставленные задачи");
    return task;
}

bool isBlocking(const Task &task)
{
    return !task.block.isEmpty() && task.block != QLatin1String("0");
}

namespace {

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

/// Reads "yyyy-MM-dd HH:mm:ss" as local time. Qt's format parser converts to
/// and from local time many times per call, which costs a whole download of
/// tasks most of its time; the service's own form is read directly, and only
/// other text goes to that parser.
QDateTime serviceDateTime(const QString &text)
{
    static const QString form = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    if (text.size() == form.size() && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-') &&
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
    return text.isEmpty() ? QDateTime() : QDateTime::fromString(text, form);
}

} // namespace

Task taskFromJson(const QVariantMap &object)
{
    const auto dateTime = [&object](const QString &key) { return serviceDateTime(object.value(key).toString()); };
    Task task;
    task.id = object.value(QStringLiteral("id")).toString();
    task.title = object.value(QStringLiteral("title")).toString();
    task.deadline = dateTime(QStringLiteral("deadline"));
    task.block = object.value(QStringLiteral("block")).toString();
    task.last_comment = dateTime(QStringLiteral("last_comment"));
    task.importance = object.value(QStringLiteral("importance")).toInt();
    return task;
}

QDataStream &operator<<(QDataStream &out, const Task &task)
{
    return out << task.id << task.title << task.deadline << task.block << task.last_comment << task.importance;
}

QDataStream &operator>>(QDataStream &in, Task &task)
{
    in >> task.id >> task.title >> task.deadline >> task.block >> task.last_comment >> task.importance;
    return RecordStream::resetOnFailure(in, task);
}

namespace {

template<typename T>
void saveRecord(QDataStream &out, const void *value)
{
    out << *static_cast<const T *>(value);
}

template<typename T>
void loadRecord(QDataStream &in, void *value)
{
    in >> *static_cast<T *>(value);
}

template<typename T>
void saveList(QDataStream &out, const void *value)
{
    RecordStream::writeList(out, *static_cast<const QList<T> *>(value));
}

template<typename T>
void loadList(QDataStream &in, void *value)
{
    RecordStream::readList(in, *static_cast<QList<T> *>(value));
}

template<typename T>
void registerRecord(const char *name)
{
    QMetaType::registerStreamOperators(qRegisterMetaType<T>(name), saveRecord<T>, loadRecord<T>);
}

template<typename T>
void registerList(const char *name)
{
    QMetaType::registerStreamOperators(qRegisterMetaType<QList<T>>(name), saveList<T>, loadList<T>);
}

} // namespace

void registerTaskMetaTypes()
{
    static const bool registered = [] {
        registerRecord<Task>("Task");
        registerList<Task>("QList<Task>");
        registerRecord<Attachment>("Attachment");
        registerRecord<Keyword>("Keyword");
        registerList<Keyword>("QList<Keyword>");
        registerRecord<TextTask>("TextTask");
        registerList<Attachment>("QList<Attachment>");
        registerList<TextTask>("QList<TextTask>");
        registerRecord<TaskInfo>("TaskInfo");
        return true;
    }();
    Q_UNUSED(registered)
}

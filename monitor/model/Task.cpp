#include "model/Task.h"

#include "model/RecordStream.h"
#include "model/TaskInfo.h"

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

QString deadlineText(const QDateTime &deadline)
{
    return deadline.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString taskIcon(const Task &task)
{
    if (isBlocking(task))
        return QStringLiteral(":/images/pbTaskBlocked.png");
    if (task.importance < 1)
        return QStringLiteral(":/images/pbTask.png");
    return QStringLiteral(":/images/pbTaskUrgentGrey.png");
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

#include "model/ReplyReader.h"

#include "model/Json.h"

namespace {

using Json::text;

QTime minutesAsTime(const QVariantMap &object, const char *key)
{
    return QTime(0, 0).addSecs(text(object, key).toInt() * 60);
}

} // namespace

std::optional<QList<ReplyReader::TeamTasks>> ReplyReader::teams(const QByteArray &body)
{
    const QVariant reply = Json::parseUtf8As(body, QMetaType::QVariantList);
    if (!reply.isValid())
        return std::nullopt;
    QList<TeamTasks> teams;
    const QVariantList teamObjects = reply.toList();
    for (const QVariant &entry : teamObjects) {
        const QVariantMap object = entry.toMap();
        TeamTasks team{text(object, "id"), text(object, "name"), {}};
        if (team.id.isEmpty())
            continue;
        const QVariantList taskObjects = object.value(QStringLiteral("tasks")).toList();
        for (const QVariant &task : taskObjects)
            team.tasks.append(m_tasks.task(task.toMap()));
        team.tasks.append(pseudoTask());
        teams.append(team);
    }
    m_tasks.nextReply();
    return teams;
}

ReplyReader::Status ReplyReader::status(const QByteArray &body)
{
    const QVariantMap answer = Json::parseUtf8As(body, QMetaType::QVariantMap).toMap();
    return {text(answer, "status") == QLatin1String("ok"), answer.value(QStringLiteral("message"))};
}

std::optional<TaskInfo> ReplyReader::taskInfo(const Status &reply)
{
    if (!reply.ok || reply.message.userType() != QMetaType::QVariantMap)
        return std::nullopt;
    return m_tasks.taskInfo(reply.message.toMap());
}

std::optional<ReplyReader::DayTimes> ReplyReader::dayTimes(const QByteArray &body)
{
    const QVariantMap answer = Json::parseUtf8As(body, QMetaType::QVariantMap).toMap();
    if (!answer.contains(QStringLiteral("today_active")) && !answer.contains(QStringLiteral("today_total")))
        return std::nullopt;
    return DayTimes{minutesAsTime(answer, "today_active"), minutesAsTime(answer, "today_total"),
                    minutesAsTime(answer, "today_task")};
}

#include "model/TeamTaskMap.h"

#include <QSet>

#include <algorithm>

void TeamTaskMap::insert(const QString &teamId, const QList<Task> &tasks)
{
    const auto existing = m_lists.constFind(teamId);
    if (existing != m_lists.cend())
        unindex(teamId, *existing);
    m_lists.insert(teamId, tasks);
    index(teamId, tasks);
}

void TeamTaskMap::clear()
{
    m_lists.clear();
    m_teamsByTask.clear();
}

const Task *TeamTaskMap::firstWithId(const QString &taskId) const
{
    const auto teams = m_teamsByTask.constFind(taskId);
    if (teams == m_teamsByTask.cend() || teams->isEmpty())
        return nullptr;
    return &m_lists.constFind(teams->firstKey())->at(teams->first());
}

QList<Task> TeamTaskMap::allTasks() const
{
    QList<Task> all;
    QSet<QString> seen;
    for (const QList<Task> &tasks : m_lists) {
        for (const Task &task : tasks) {
            if (!seen.contains(task.id)) {
                seen.insert(task.id);
                all.append(task);
            }
        }
    }
    return all;
}

void TeamTaskMap::removeTask(const QString &taskId)
{
    const QStringList teamIds = m_teamsByTask.value(taskId).keys();
    for (const QString &teamId : teamIds) {
        QList<Task> &tasks = m_lists[teamId];
        unindex(teamId, tasks);
        tasks.erase(std::remove_if(tasks.begin(), tasks.end(), [&](const Task &task) { return task.id == taskId; }),
                    tasks.end());
        index(teamId, tasks);
    }
}

void TeamTaskMap::setDeadline(const QString &exceptTeamId, const QString &taskId, const QDateTime &deadline)
{
    const QStringList teamIds = m_teamsByTask.value(taskId).keys();
    for (const QString &teamId : teamIds) {
        if (teamId == exceptTeamId)
            continue;
        for (Task &task : m_lists[teamId]) {
            if (task.id == taskId)
                task.deadline = deadline;
        }
    }
}

void TeamTaskMap::index(const QString &teamId, const QList<Task> &tasks)
{
    for (int i = 0; i < tasks.size(); ++i) {
        QMap<QString, int> &teams = m_teamsByTask[tasks.at(i).id];
        if (!teams.contains(teamId))
            teams.insert(teamId, i);
    }
}

void TeamTaskMap::unindex(const QString &teamId, const QList<Task> &tasks)
{
    for (const Task &task : tasks) {
        const auto teams = m_teamsByTask.find(task.id);
        if (teams == m_teamsByTask.end())
            continue;
        teams->remove(teamId);
        if (teams->isEmpty())
            m_teamsByTask.erase(teams);
    }
}

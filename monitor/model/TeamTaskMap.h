#pragma once

#include "model/Task.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

/// The cached task lists of all teams, in ascending team-id order.
///
/// Besides the lists it keeps an index from each task id to the teams that
/// list it, so that finding a task among all teams, removing it everywhere or
/// copying its deadline into the other teams touches only the teams that hold
/// it. A download of many teams therefore costs time in proportion to its
/// size, not to its size times the number of teams.
class TeamTaskMap
{
public:
    using Lists = QMap<QString, QList<Task>>;

    const Lists &lists() const { return m_lists; }
    int size() const { return m_lists.size(); }

    /// The list stored for \a teamId; empty when there is none.
    QList<Task> tasks(const QString &teamId) const { return m_lists.value(teamId); }

    /// Stores \a tasks as the list of \a teamId, replacing an older one.
    void insert(const QString &teamId, const QList<Task> &tasks);
    void clear();

    /// The first task with \a taskId in team-id order, then list order;
    /// nullptr when no team lists it. Valid until the map changes.
    const Task *firstWithId(const QString &taskId) const;

    /// Every task of every team in that order, each id once.
    QList<Task> allTasks() const;

    /// Removes every task with \a taskId from every list.
    void removeTask(const QString &taskId);

    /// Gives every task with \a taskId in every team but \a exceptTeamId the
    /// \a deadline.
    void setDeadline(const QString &exceptTeamId, const QString &taskId, const QDateTime &deadline);

private:
    void index(const QString &teamId, const QList<Task> &tasks);
    void unindex(const QString &teamId, const QList<Task> &tasks);

    Lists m_lists;
    /// Task id to the teams whose lists hold it (ascending), each with the
    /// position of the first such task in that list.
    QHash<QString, QMap<QString, int>> m_teamsByTask;
};

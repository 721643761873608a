#include "model/TeamTaskMap.h"
#include "support/TaskRecords.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

// The cache keeps an index beside its lists. Random operations, checked
// after each one against plain walks over the lists, show that the index
// never drifts from them.
class TestTeamTaskMap : public QObject
{
    Q_OBJECT

private slots:
    void indexFollowsTheLists()
    {
        QRandomGenerator random(1210);
        const QStringList teams{"a", "b", "c", "2192", "10"};
        const QStringList ids{"0", "1", "2", "3", "4", "5", "6", "7"};
        const QDateTime base(QDate(2026, 12, 10), QTime(12, 0));

        TeamTaskMap map;
        QMap<QString, QList<Task>> model;
        for (int step = 0; step < 3000; ++step) {
            const QString teamId = teams.at(random.bounded(teams.size()));
            const QString taskId = ids.at(random.bounded(ids.size()));
            switch (random.bounded(4)) {
            case 0:
            case 1: {
                QList<Task> tasks;
                const int count = random.bounded(6);
                for (int i = 0; i < count; ++i)
                    tasks.append(makeTask(ids.at(random.bounded(ids.size())), QString::number(step * 10 + i)));
                map.insert(teamId, tasks);
                model.insert(teamId, tasks);
                break;
            }
            case 2:
                map.removeTask(taskId);
                for (QList<Task> &tasks : model)
                    tasks.erase(
                        std::remove_if(tasks.begin(), tasks.end(), [&](const Task &task) { return task.id == taskId; }),
                        tasks.end());
                break;
            default: {
                const QDateTime deadline = base.addSecs(step);
                map.setDeadline(teamId, taskId, deadline);
                for (auto it = model.begin(); it != model.end(); ++it) {
                    for (Task &task : *it) {
                        if (it.key() != teamId && task.id == taskId)
                            task.deadline = deadline;
                    }
                }
            }
            }

            QCOMPARE(map.size(), model.size());
            QList<Task> all;
            QSet<QString> seen;
            for (auto it = model.cbegin(); it != model.cend(); ++it) {
                QVERIFY(map.tasks(it.key()) == it.value());
                for (const Task &task : it.value()) {
                    if (!seen.contains(task.id)) {
                        seen.insert(task.id);
                        all.append(task);
                    }
                }
            }
            QVERIFY(map.allTasks() == all);
            for (const QString &id : ids) {
                const Task *found = map.firstWithId(id);
                const auto expected =
                    std::find_if(all.cbegin(), all.cend(), [&](const Task &task) { return task.id == id; });
                QCOMPARE(found != nullptr, expected != all.cend());
                if (found)
                    QVERIFY(*found == *expected);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestTeamTaskMap)
#include "TestTeamTaskMap.moc"

#include "model/NotificationType.h"
#include "model/Notifier.h"
#include "model/Session.h"
#include "support/RaisedNotices.h"
#include "support/SessionFixture.h"
#include "support/TaskRecords.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace {

using Notice = RaisedNotices::Notice;

/// One team of a download: its id, its name and its tasks (the pseudo-task
/// is appended, as the client does).
struct TeamTasks
{
    QString id;
    QString name;
    QList<Task> tasks;
};

using Download = QList<TeamTasks>;

// The stand-in for a download: every team's tasks, then the team list.
void apply(Session &session, const Download &download)
{
    QList<Team> teams;
    for (const TeamTasks &team : download) {
        session.setTasks(team.id, team.tasks + QList<Task>{pseudoTask()});
        teams.append({team.id, team.name});
    }
    session.setTeams(teams);
}

TeamTasks team(const char *id, const char *name, const QList<Task> &tasks = {})
{
    return {QString::fromUtf8(id), QString::fromUtf8(name), tasks};
}

Task task(const char *id, const char *title, const char *deadline = "", const char *block = "",
          const char *comment = "")
{
    return makeTask(QString::fromUtf8(id), QString::fromUtf8(title), deadline, QString::fromUtf8(block), comment);
}

Notice notice(const char *text, int type, const char *taskId = "")
{
    return {QString::fromUtf8(text), type, QString::fromUtf8(taskId)};
}

const char *const noon = "2026-12-10 12:00:00";
const char *const later = "2026-12-11 12:00:00";

} // namespace

Q_DECLARE_METATYPE(Download)
Q_DECLARE_METATYPE(QList<Notice>)

class TestChangeNotices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Notifier::install(&m_recorder); }
    void cleanupTestCase() { Notifier::install(nullptr); }

    void changes_data()
    {
        QTest::addColumn<bool>("filesExist");
        QTest::addColumn<Download>("before");
        QTest::addColumn<Download>("after");
        QTest::addColumn<QList<Notice>>("expected");
        QTest::addColumn<QStringList>("closed");
        QTest::addColumn<int>("overdueChanges");
        QTest::addColumn<Download>("stored"); // lists to check afterwards

        const Download none;
        const Task t5 = task("5", "T5");

        QTest::newRow("the first download after a fresh sign-in raises nothing")
            << false << none << Download{team("1", "Alpha", {task("5", "T5", "", "1"), task("6", "T6")})}
            << QList<Notice>() << QStringList() << 0 << none;
        QTest::newRow("a renamed team raises nothing")
            << true << Download{team("1", "Alpha")} << Download{team("1", "Alpha 2")} << QList<Notice>()
            << QStringList() << 0 << none;
        QTest::newRow("a team added and a team lost")
            << true << Download{team("1", "Alpha"), team("2", "Beta")}
            << Download{team("1", "Alpha"), team("3", "Gamma")}
            << QList<Notice>{notice("Gamma", TeamAdded), notice("Beta", TeamRemoved)} << QStringList() << 0 << none;
        QTest::newRow("a team whose id changed is one added and one lost")
            << true << Download{team("1", "Alpha")} << Download{team("9", "Alpha")}
            << QList<Notice>{notice("Alpha", TeamAdded), notice("Alpha", TeamRemoved)} << QStringList() << 0 << none;
        QTest::newRow("a task becomes blocking")
            << true << Download{team("1", "A", {t5})} << Download{team("1", "A", {task("5", "T5", "", "1")})}
            << QList<Notice>{notice("T5", TaskBlocked, "5")} << QStringList() << 0 << none;
        QTest::newRow("a task stops blocking")
            << true << Download{team("1", "A", {task("5", "T5", "", "1")})}
            << Download{team("1", "A", {task("5", "T5", "", "0")})} << QList<Notice>{notice("T5", TaskUnblocked, "5")}
            << QStringList() << 0 << none;
        QTest::newRow("a block of 0 becoming empty raises nothing")
            << true << Download{team("1", "A", {task("5", "T5", "", "0")})} << Download{team("1", "A", {t5})}
            << QList<Notice>() << QStringList() << 0 << none;
        QTest::newRow("a new blocking task raises only the blocking notice")
            << true << Download{team("1", "A", {t5})} << Download{team("1", "A", {t5, task("6", "T6", "", "2")})}
            << QList<Notice>{notice("T6", BlockingTaskAdded, "6")} << QStringList() << 0 << none;
        QTest::newRow("a new open task") << true << Download{team("1", "A", {t5})}
                                         << Download{team("1", "A", {task("6", "T6", "", "0"), t5})}
                                         << QList<Notice>{notice("T6", TaskAdded, "6")} << QStringList() << 0 << none;
        QTest::newRow("a later comment") << true << Download{team("1", "A", {task("5", "T5", "", "", noon)})}
                                         << Download{team("1", "A", {task("5", "T5", "", "", later)})}
                                         << QList<Notice>{notice("T5", CommentAdded, "5")} << QStringList() << 0
                                         << none;
        QTest::newRow("a first comment") << true << Download{team("1", "A", {t5})}
                                         << Download{team("1", "A", {task("5", "T5", "", "", noon)})}
                                         << QList<Notice>{notice("T5", CommentAdded, "5")} << QStringList() << 0
                                         << none;
        QTest::newRow("the same or an earlier comment raises nothing")
            << true << Download{team("1", "A", {task("5", "T5", "", "", later), task("6", "T6", "", "", noon)})}
            << Download{team("1", "A", {task("5", "T5", "", "", noon), task("6", "T6", "", "", noon)})}
            << QList<Notice>() << QStringList() << 0 << none;
        QTest::newRow("blocking and a new comment together, blocking first")
            << true << Download{team("1", "A", {t5})} << Download{team("1", "A", {task("5", "T5", "", "1", noon)})}
            << QList<Notice>{notice("T5", TaskBlocked, "5"), notice("T5", CommentAdded, "5")} << QStringList() << 0
            << none;
        QTest::newRow("the pseudo-task is never reported")
            << true << Download{team("1", "A")} << Download{team("1", "A", {task("0", "other", later, "1", noon)})}
            << QList<Notice>() << QStringList() << 0 << none;
        QTest::newRow("a changed deadline is announced under the old title")
            << true << Download{team("1", "A", {task("5", "T5", noon)})}
            << Download{team("1", "A", {task("5", "T5 renamed", later)})}
            << QList<Notice>{notice("T5", DeadlineChanged)} << QStringList() << 0 << none;
        QTest::newRow("the chosen task's deadline moves the overdue time")
            << true << Download{team("1", "A", {task("1", "T1", noon)})} << Download{team("1", "A", {task("1", "T1")})}
            << QList<Notice>{notice("T1", DeadlineChanged)} << QStringList() << 1 << none;
        QTest::newRow("a deadline change in team 2192 raises nothing")
            << true << Download{team("2192", "S", {task("1", "T1", noon)})}
            << Download{team("2192", "S", {task("1", "T1", later)})} << QList<Notice>() << QStringList() << 0 << none;
        QTest::newRow("a deadline shared by two teams is announced once and copied")
            << true << Download{team("1", "A", {task("5", "T5", noon)}), team("2", "B", {task("5", "T5", noon)})}
            << Download{team("1", "A", {task("5", "T5", later)}), team("2", "B", {task("5", "T5", later)})}
            << QList<Notice>{notice("T5", DeadlineChanged)} << QStringList() << 0
            << Download{team("2", "B", {task("5", "T5", later)})};
        QTest::newRow("a vanished task is closed")
            << true << Download{team("1", "A", {t5, task("6", "T6")})} << Download{team("1", "A", {task("6", "T6")})}
            << QList<Notice>{notice("T5", TaskRemoved)} << QStringList{"5"} << 0 << none;
        QTest::newRow("a vanished task leaves every team")
            << true << Download{team("1", "A", {t5}), team("2", "B", {t5, task("6", "T6")})} << Download{team("1", "A")}
            << QList<Notice>{notice("T5", TaskRemoved), notice("B", TeamRemoved)} << QStringList{"5"} << 0
            << Download{team("2", "B", {task("6", "T6")})};
        QTest::newRow("a task moved to a team listed earlier is not new, but closed by its old team")
            << true << Download{team("1", "A"), team("2", "B", {t5})} << Download{team("1", "A", {t5}), team("2", "B")}
            << QList<Notice>{notice("T5", TaskRemoved)} << QStringList{"5"} << 0 << Download{team("1", "A")};
        QTest::newRow("a task moved to a team listed later is closed, then new")
            << true << Download{team("1", "A", {t5}), team("2", "B")} << Download{team("1", "A"), team("2", "B", {t5})}
            << QList<Notice>{notice("T5", TaskRemoved), notice("T5", TaskAdded, "5")} << QStringList{"5"} << 0
            << Download{team("2", "B", {t5})};
    }

    void changes()
    {
        QFETCH(bool, filesExist);
        QFETCH(Download, before);
        QFETCH(Download, after);
        QFETCH(QList<Notice>, expected);
        QFETCH(QStringList, closed);
        QFETCH(int, overdueChanges);
        QFETCH(Download, stored);

        TestSessionOwner owner;
        Session session(&owner, nullptr);
        session.load(QStringLiteral("user@example.com"), QStringLiteral("secret"));
        session.setTeamID(QStringLiteral("1"));
        session.setTaskID(QStringLiteral("1"));
        apply(session, before);
        if (filesExist)
            session.save();
        m_recorder.notices.clear();
        QVERIFY(m_recorder.notices.isEmpty());

        QSignalSpy closedSpy(&session, &Session::taskClosed);
        QSignalSpy overdueSpy(&session, &Session::overdueTimeChanged);
        apply(session, after);

        QCOMPARE(m_recorder.notices.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(m_recorder.notices.at(i).text, expected.at(i).text);
            QCOMPARE(m_recorder.notices.at(i).type, expected.at(i).type);
            QCOMPARE(m_recorder.notices.at(i).taskId, expected.at(i).taskId);
        }
        QStringList closedIds;
        for (const QList<QVariant> &arguments : qAsConst(closedSpy))
            closedIds << arguments.at(0).toString();
        QCOMPARE(closedIds, closed);
        QCOMPARE(overdueSpy.count(), overdueChanges);
        for (const TeamTasks &expectedTeam : stored)
            QVERIFY(session.tasks(expectedTeam.id) == expectedTeam.tasks + QList<Task>{pseudoTask()});
    }

    // Without a tasks.ini nothing is compared; the first complete download
    // is therefore stored at once when the next one begins.
    void firstCompleteDownloadIsStored()
    {
        m_recorder.notices.clear();
        TestSessionOwner owner;
        Session session(&owner, nullptr);
        session.load(QStringLiteral("user@example.com"), QStringLiteral("secret"));
        const QString tasksFile = owner.path(QStringLiteral("user@example.com/tasks.ini"));

        apply(session, {team("1", "A", {task("5", "T5")}), team("2", "B")});
        QVERIFY(!QFile::exists(tasksFile));

        session.setTasks(QStringLiteral("1"), {task("5", "T5", "", "1"), pseudoTask()});
        QVERIFY(QFile::exists(tasksFile));
        session.setTasks(QStringLiteral("2"), {task("6", "T6"), pseudoTask()});
        QCOMPARE(m_recorder.notices.size(), 1);
        QCOMPARE(m_recorder.notices.at(0).type, int(TaskAdded));
        m_recorder.notices.clear();
    }

    void messageText_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0 message") << 0 << "Name";
        QTest::newRow("1 team added") << 1 << "Добавлена новая команда \"Name\"";
        QTest::newRow("2 team removed") << 2 << "Вы больше не являетесь членом команды \"Name\"";
        QTest::newRow("3 task added") << 3 << "Добавлена новая задача \"Name\"";
        QTest::newRow("4 task removed") << 4 << "Задача \"Name\" более недоступна";
        QTest::newRow("5 comment added") << 5 << "К задаче \"Name\" добавлен новый комментарий";
        QTest::newRow("6 update available") << 6 << "Доступно новое обновление Velmora Team Name";
        QTest::newRow("7 deadline changed") << 7 << "Дедлайн задачи \"Name\" был изменён";
        QTest::newRow("8 task blocked") << 8 << "Задача \"Name\" помечена как блокирующая";
        QTest::newRow("9 task unblocked") << 9 << "Задача \"Name\" более не является блокирующей";
        QTest::newRow("10 blocking task added") << 10 << "Добавлена новая блокируюшая задача \"Name\"";
        QTest::newRow("11 unknown") << 11 << "Name";
        QTest::newRow("-1 unknown") << -1 << "Name";
    }

    void messageText()
    {
        QFETCH(int, type);
        QFETCH(QString, expected);
        QCOMPARE(::messageText(QStringLiteral("Name"), type), expected);
    }

private:
    RaisedNotices m_recorder;
};

QTEST_GUILESS_MAIN(TestChangeNotices)
#include "TestChangeNotices.moc"

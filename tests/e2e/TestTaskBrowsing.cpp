#include "support/ChildProcesses.h"
#include "support/DemoHome.h"
#include "support/StandInService.h"
#include "support/XDoTool.h"

#include <QDir>
#include <QTest>

using namespace XDoTool;

// Browsing the team's tasks in the real TALV, signed in from an earlier run,
// against the stand-in service: "Задачи" on the strip opens the team's task
// list, a row's "Цели задач" opens that task's description, fetched anew
// from the service.
class TestTaskBrowsing : public QObject
{
    Q_OBJECT

private slots:
    void listThenDescription()
    {
        StandInService service;
        QVERIFY2(service.isRunning(), service.output().constData());
        service.exportAddress();
        const QDir data(DemoHome::signIn(QDir::homePath(), false));
        QVERIFY(data.exists());

        ChildProcesses processes;
        QProcess *talv = processes.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/TALV"), {}, QDir::homePath());
        const QString strip = waitForWindow(QStringLiteral("^Velmora$"));
        QVERIFY(!strip.isEmpty());
        QPoint origin;
        QTRY_VERIFY(!(origin = windowPosition(strip)).isNull());
        // The first download has brought the team's tasks and descriptions.
        const QString log = data.filePath(QStringLiteral("log.log"));
        QTRY_VERIFY_WITH_TIMEOUT(Files::read(log).contains("TaskInfo for 101"), 20000);

        QVERIFY(click(origin + QPoint(60, 58))); // "Задачи"
        const QString list = waitForWindow(QStringLiteral("^Задачи команды \"Разработка\"$"));
        QVERIFY(!list.isEmpty());
        QTRY_VERIFY(isShown(QStringLiteral("^Задачи команды")));
        QPoint listOrigin;
        QTRY_VERIFY(!(listOrigin = windowPosition(list)).isNull());
        QCOMPARE(listOrigin.y() + 565, origin.y()); // directly above the strip

        // What the service says now is what the window shows.
        QVERIFY(service.control(QStringLiteral("/control/task/details"),
                                {{QStringLiteral("id"), QStringLiteral("101")},
                                 {QStringLiteral("text"), QStringLiteral("fresh-from-the-service")}}));
        QVERIFY(click(listOrigin + QPoint(15 + 265 + 40, 40 + 13))); // the first row's "Цели задач"
        QVERIFY(!waitForWindow(QStringLiteral("^Цели задачи$")).isEmpty());
        QTRY_VERIFY(isShown(QStringLiteral("^Цели задачи$")));
        QTRY_VERIFY_WITH_TIMEOUT(Files::read(log).contains("fresh-from-the-service"), 20000);

        QVERIFY(click(origin + QPoint(60, 58))); // "Задачи" again closes both
        QTRY_VERIFY(!isShown(QStringLiteral("^Задачи команды")));
        QTRY_VERIFY(!isShown(QStringLiteral("^Цели задачи$")));

        talv->terminate();
        QVERIFY(talv->waitForFinished(20000));
        QCOMPARE(talv->exitCode(), 0);
    }
};

QTEST_MAIN(TestTaskBrowsing)
#include "TestTaskBrowsing.moc"

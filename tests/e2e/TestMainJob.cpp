#include "support/ChildProcesses.h"
#include "support/StandInService.h"
#include "support/XDoTool.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>

using namespace XDoTool;

// The main job from nothing: the real TALV under an X server of its own,
// started with an empty home folder against the stand-in service, driven as
// a user would drive it: sign in, choose a task, press Play. A minute and a
// screenshot of that task reach the service.
class TestMainJob : public QObject
{
    Q_OBJECT

private slots:
    void signInChooseRecord()
    {
        StandInService service;
        QVERIFY2(service.isRunning(), service.output().constData());
        service.exportAddress();
        QVERIFY(!QDir(QDir::homePath() + QStringLiteral("/.velmora")).exists());

        ChildProcesses processes;
        QProcess *talv = processes.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/TALV"), {}, QDir::homePath());

        const QString login = waitForWindow(QStringLiteral("^Авторизация$"));
        QVERIFY(!login.isEmpty());
        QVERIFY(!run({"windowfocus", "--sync", login}).isNull());
        QVERIFY(!run({"type", "--delay", "20", "demo@velmora.local"}).isNull());
        QVERIFY(!run({"key", "Tab"}).isNull());
        QVERIFY(!run({"type", "--delay", "20", "demo"}).isNull());
        QVERIFY(!run({"key", "Return"}).isNull());

        const QString strip = waitForWindow(QStringLiteral("^Velmora$"));
        QVERIFY(!strip.isEmpty());
        QPoint origin;
        QTRY_VERIFY(!(origin = windowPosition(strip)).isNull());
        // The task button, then OK in the task dialog (first team, first task).
        QVERIFY(click(origin + QPoint(25, 44)));
        const QString tasks = waitForWindow(QStringLiteral("^Задачи$"));
        QVERIFY(!tasks.isEmpty());
        QVERIFY(!run({"windowfocus", "--sync", tasks}).isNull());
        QVERIFY(!run({"key", "Tab", "Tab", "space"}).isNull());
        QTRY_VERIFY(!isShown(QStringLiteral("^Задачи$"))); // accepted

        QVERIFY(click(origin + QPoint(234, 37))); // Play
        QTRY_VERIFY_WITH_TIMEOUT(service.read(QStringLiteral("/control/activities")).size() >= 1 &&
                                     service.read(QStringLiteral("/control/screenshots")).size() >= 1,
                                 75000);
        const QJsonObject minute = service.read(QStringLiteral("/control/activities")).first().toObject();
        QCOMPARE(minute[QStringLiteral("team_id")].toString(), QStringLiteral("17"));
        QCOMPARE(minute[QStringLiteral("task_id")].toString(), QStringLiteral("103"));
        const QJsonObject screenshot = service.read(QStringLiteral("/control/screenshots")).first().toObject();
        QCOMPARE(screenshot[QStringLiteral("task_id")].toString(), QStringLiteral("103"));
        QImage picture;
        QVERIFY(picture.loadFromData(QByteArray::fromBase64(screenshot[QStringLiteral("file")].toString().toLatin1())));

        talv->terminate();
        QVERIFY(talv->waitForFinished(20000));
        QCOMPARE(talv->exitCode(), 0);
    }
};

QTEST_MAIN(TestMainJob)
#include "TestMainJob.moc"

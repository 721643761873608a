#include "support/ChildProcesses.h"
#include "support/DemoHome.h"
#include "support/StandInService.h"
#include "support/XDoTool.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace XDoTool;

// The real TALV ends cleanly while one of its dialogs is open: the deadline
// dialog runs an event loop of its own, and neither SIGTERM nor the
// updater's request to exit may be lost in it or leave the session unsaved.
class TestEndWithDialogOpen : public QObject
{
    Q_OBJECT

private slots:
    void endsCleanly_data()
    {
        QTest::addColumn<QPoint>("opener"); // on the strip
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<bool>("byUpdater"); // else SIGTERM
        QTest::newRow("the deadline dialog, SIGTERM") << QPoint(267, 19) << "^Запрос на продление задачи$" << false;
        QTest::newRow("the deadline dialog, the updater asks")
            << QPoint(267, 19) << "^Запрос на продление задачи$" << true;
        QTest::newRow("the about dialog, SIGTERM") << QPoint() << "^О Velmora Team Monitor$" << false;
    }

    void endsCleanly()
    {
        QFETCH(QPoint, opener);
        QFETCH(QString, dialog);
        QFETCH(bool, byUpdater);
        StandInService service;
        QVERIFY2(service.isRunning(), service.output().constData());
        service.exportAddress();
        QTemporaryDir home;
        qputenv("HOME", home.path().toLocal8Bit());
        const QDir data(DemoHome::signIn(home.path(), false));
        QVERIFY(data.exists());
        const QString session = DemoHome::sessionFile(data.absolutePath());

        ChildProcesses processes;
        QProcess *talv = processes.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/TALV"), {}, home.path());
        const QString strip = waitForWindow(QStringLiteral("^Velmora$"));
        QVERIFY(!strip.isEmpty());
        QPoint origin;
        QTRY_VERIFY(!(origin = windowPosition(strip)).isNull());
        if (!opener.isNull()) {
            QVERIFY(click(origin + opener));
        } else {
            QVERIFY(click(origin + QPoint(336, 8)));               // the menu button
            QTest::qWait(500);                                     // the menu opens under the pointer
            QVERIFY(!run({"key", "Up", "Up", "Return"}).isNull()); // "О программе", above "Выход"
        }
        QVERIFY(!waitForWindow(dialog).isEmpty());
        QTRY_VERIFY(isShown(dialog));

        if (byUpdater) {
            // An updater that runs and asks the monitor to make way.
            const QString updater = home.filePath(QStringLiteral("TALV-update"));
            QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), updater));
            processes.start(updater, {QStringLiteral("60")});
            QVERIFY(Files::write(data.filePath(QStringLiteral("update.json")), "[General]\nforceUpdate=true\n"));
        } else {
            talv->terminate();
        }
        QVERIFY(talv->waitForFinished(20000));
        QCOMPARE(talv->exitStatus(), QProcess::NormalExit);
        QCOMPARE(talv->exitCode(), 0);
        // The client's last words, after it saved the session.
        QVERIFY(Files::read(data.filePath(QStringLiteral("log.log"))).contains("Exit Velmora Team Monitor OK"));
        QVERIFY(Files::read(session).contains("todayWorktime"));
    }
};

QTEST_MAIN(TestEndWithDialogOpen)
#include "TestEndWithDialogOpen.moc"

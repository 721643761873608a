#include "support/ChildProcesses.h"
#include "support/StandInService.h"
#include "support/XDoTool.h"

#include <QDir>
#include <QFile>
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
        qputenv("VELMORA_SERVICE_URL", service.baseUrl().toUtf8());
        qputenv("VELMORA_CA_FILE", service.caFile().toLocal8Bit());
        const QString login = QStringLiteral("demo@velmora.local");
        QDir data(QDir::homePath() + QStringLiteral("/.velmora"));
        QVERIFY(data.mkpath(login));
        writeFile(data.filePath(QStringLiteral("config.ini")), "[General]\nlastLogin=" + login.toUtf8() + '\n');
        writeFile(data.filePath(login + QStringLiteral("/session.ini")),
                  "[General]\npassword=demo\nlogged=true\nactive=false\nteamID=17\ntaskID=101\nisOnline=true\n");

        ChildProcesses processes;
        QProcess *talv = processes.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/TALV"), {}, QDir::homePath());
        const QString strip = waitForWindow(QStringLiteral("^Velmora$"));
        QVERIFY(!strip.isEmpty());
        QPoint origin;
        QTRY_VERIFY(!(origin = windowPosition(strip)).isNull());
        // The first download has brought the team's tasks and descriptions.
        const QString log = data.filePath(QStringLiteral("log.log"));
        QTRY_VERIFY_WITH_TIMEOUT(readFile(log).contains("TaskInfo for 101"), 20000);

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
        QTRY_VERIFY_WITH_TIMEOUT(readFile(log).contains("fresh-from-the-service"), 20000);

        QVERIFY(click(origin + QPoint(60, 58))); // "Задачи" again closes both
        QTRY_VERIFY(!isShown(QStringLiteral("^Задачи команды")));
        QTRY_VERIFY(!isShown(QStringLiteral("^Цели задачи$")));

        talv->terminate();
        QVERIFY(talv->waitForFinished(20000));
        QCOMPARE(talv->exitCode(), 0);
    }

private:
    static void writeFile(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

QTEST_MAIN(TestTaskBrowsing)
#include "TestTaskBrowsing.moc"

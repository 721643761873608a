#include "support/ChildProcesses.h"
#include "support/StandInService.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>

namespace {

/// Runs xdotool with \a arguments; its output, or a null array when it failed
/// or ran longer than 20 seconds.
QByteArray xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        return QByteArray();
    }
    return process.readAllStandardOutput().append('\0').chopped(1);
}

/// The id of the first window whose title matches \a pattern, waiting for it.
QString waitForWindow(const QString &pattern)
{
    return QString::fromLatin1(
        xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"), pattern})
            .split('\n')
            .first());
}

} // namespace

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
        qputenv("VELMORA_SERVICE_URL", service.baseUrl().toUtf8());
        qputenv("VELMORA_CA_FILE", service.caFile().toLocal8Bit());
        QVERIFY(!QDir(QDir::homePath() + QStringLiteral("/.velmora")).exists());

        ChildProcesses processes;
        QProcess *talv = processes.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/TALV"), {}, QDir::homePath());

        const QString login = waitForWindow(QStringLiteral("^Авторизация$"));
        QVERIFY(!login.isEmpty());
        QVERIFY(!xdotool({"windowfocus", "--sync", login}).isNull());
        QVERIFY(!xdotool({"type", "--delay", "20", "demo@velmora.local"}).isNull());
        QVERIFY(!xdotool({"key", "Tab"}).isNull());
        QVERIFY(!xdotool({"type", "--delay", "20", "demo"}).isNull());
        QVERIFY(!xdotool({"key", "Return"}).isNull());

        const QString strip = waitForWindow(QStringLiteral("^Velmora$"));
        QVERIFY(!strip.isEmpty());
        QPoint origin;
        QTRY_VERIFY(!(origin = windowPosition(strip)).isNull());
        // The task button, then OK in the task dialog (first team, first task).
        click(origin + QPoint(25, 44));
        const QString tasks = waitForWindow(QStringLiteral("^Задачи$"));
        QVERIFY(!tasks.isEmpty());
        QVERIFY(!xdotool({"windowfocus", "--sync", tasks}).isNull());
        QVERIFY(!xdotool({"key", "Tab", "Tab", "space"}).isNull());
        QTRY_VERIFY(xdotool({"search", "--onlyvisible", "--name", "^Задачи$"}).isEmpty()); // accepted

        click(origin + QPoint(234, 37)); // Play
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

private:
    static QPoint windowPosition(const QString &window)
    {
        const QByteArray shell = xdotool({"getwindowgeometry", "--shell", window});
        QPoint position;
        for (const QByteArray &line : shell.split('\n')) {
            if (line.startsWith("X="))
                position.setX(line.mid(2).toInt());
            else if (line.startsWith("Y="))
                position.setY(line.mid(2).toInt());
        }
        return position;
    }

    static void click(const QPoint &point)
    {
        QVERIFY(!xdotool({"mousemove", QString::number(point.x()), QString::number(point.y()), "click", "1"}).isNull());
    }
};

QTEST_MAIN(TestMainJob)
#include "TestMainJob.moc"

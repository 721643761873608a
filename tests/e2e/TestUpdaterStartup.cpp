#include "support/XDoTool.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// Start-up of the real TALV-update, copied into a program folder of its own
// beside a stand-in monitor (a script that notes it was started): its own
// log with the 10 MiB rule and the lines it writes, with nothing to install.
class TestUpdaterStartup : public QObject
{
    Q_OBJECT

private slots:
    void logAndFirstLines_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QStringList>("lines");
        const QString started = QStringLiteral("Update started");
        QTest::newRow("no log yet, download mode with no update")
            << qint64(-1) << QStringList() << false << QStringList{started};
        QTest::newRow("install-only mode with nothing downloaded")
            << qint64(-1) << QStringList{"--install-only"} << false
            << QStringList{started,
                           "--install only",
                           "Waiting for process TALV finished...",
                           "Start copying...",
                           "Copy ok!",
                           "Starting Velmora Team Monitor..."};
        QTest::newRow("a log of exactly 10 MiB is appended to")
            << qint64(10485760) << QStringList() << true << QStringList{started};
        QTest::newRow("one byte more and it is deleted")
            << qint64(10485761) << QStringList() << false << QStringList{started};
    }

    void logAndFirstLines()
    {
        QFETCH(qint64, size);
        QFETCH(QStringList, arguments);
        QFETCH(bool, kept);
        QFETCH(QStringList, lines);
        const QString dataFolder = QDir::home().filePath(QStringLiteral(".velmora"));
        QDir(dataFolder).removeRecursively();
        QFile log(dataFolder + QStringLiteral("/update-log.log"));
        if (size >= 0) {
            QVERIFY(QDir().mkpath(dataFolder));
            QVERIFY(log.open(QIODevice::WriteOnly));
            QVERIFY(log.resize(size));
            log.close();
        }
        QTemporaryDir programFolder;
        const QString updater = programFolder.filePath(QStringLiteral("TALV-update"));
        QVERIFY(QFile::copy(QStringLiteral(VELMORA_BINARY_DIR "/bin/TALV-update"), updater));
        const QString monitorStarted = programFolder.filePath(QStringLiteral("monitor-started"));
        writeScript(programFolder.filePath(QStringLiteral("TALV")), "touch '" + monitorStarted.toUtf8() + "'\n");

        QProcess process;
        process.start(updater, arguments);
        QVERIFY(process.waitForStarted());
        if (arguments.isEmpty()) {
            // An update list without files: the user is told, and presses OK.
            const QString box = XDoTool::waitForWindow(QStringLiteral("^Нет информации для обновления$"));
            QVERIFY(!box.isEmpty());
            QVERIFY(!XDoTool::run({"windowfocus", "--sync", box}).isNull());
            QVERIFY(!XDoTool::run({"key", "Return"}).isNull());
        }
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(QFileInfo(dataFolder + QStringLiteral("/update")).isDir());
        const bool installed = arguments.contains(QStringLiteral("--install-only"));
        QTRY_COMPARE(QFileInfo::exists(monitorStarted), installed);
        QCOMPARE(
            QSettings(dataFolder + QStringLiteral("/update.json"), QSettings::IniFormat).value("updateOk").toBool(),
            installed);

        QVERIFY(log.open(QIODevice::ReadOnly));
        if (kept)
            QVERIFY(log.seek(size));
        const QStringList written = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(written.size(), lines.size());
        const QRegularExpression line(QStringLiteral(R"(^Message\(0\) at \d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ: (.*)$)"));
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(line.match(written.at(i)).captured(1), lines.at(i));
    }

    void aSecondCopyIsRefused()
    {
        QDir(QDir::home().filePath(QStringLiteral(".velmora"))).removeRecursively();
        QProcess first;
        first.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/TALV-update"), QStringList());
        QVERIFY(first.waitForStarted());
        const QString box = XDoTool::waitForWindow(QStringLiteral("^Нет информации для обновления$"));
        QVERIFY(!box.isEmpty()); // the first copy runs, showing its box

        QProcess second;
        second.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/TALV-update"), QStringList());
        QVERIFY(second.waitForStarted());
        const QString refusal = XDoTool::waitForShownWindow(QStringLiteral("^Velmora Team Monitor Update$"));
        QVERIFY(!refusal.isEmpty());
        QVERIFY(!XDoTool::run({"windowfocus", "--sync", refusal}).isNull());
        QVERIFY(!XDoTool::run({"key", "Return"}).isNull());
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(first.state(), QProcess::Running); // undisturbed

        QVERIFY(!XDoTool::run({"windowfocus", "--sync", box}).isNull());
        QVERIFY(!XDoTool::run({"key", "Return"}).isNull());
        QVERIFY(first.waitForFinished(20000));
        QCOMPARE(first.exitCode(), 0);
    }

private:
    static void writeScript(const QString &path, const QByteArray &body)
    {
        QFile script(path);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n" + body);
        script.close();
        QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
    }
};

QTEST_GUILESS_MAIN(TestUpdaterStartup)
#include "TestUpdaterStartup.moc"

#include "support/ChildProcesses.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// Start-up and shutdown of the real TALV under an X server, driven the way a
// user would: windows are found by title and answered with key presses.
class TestMonitorStartup : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(qEnvironmentVariableIsSet("DISPLAY"));
        QDir(dataFolder()).removeRecursively();
        QFile::remove(dataFolder());
    }

    void cleanup() { m_processes.clear(); }

    void cleanRemovesTheDataFolderAndExits()
    {
        QVERIFY(QDir().mkpath(dataFolder() + QStringLiteral("/someone@example.com/activity")));
        QProcess *talv = start({QStringLiteral("--clean")});
        QVERIFY(talv->waitForFinished(20000));
        QCOMPARE(talv->exitStatus(), QProcess::NormalExit);
        QCOMPARE(talv->exitCode(), 0);
        QVERIFY(!QFileInfo::exists(dataFolder()));
        // The log is closed by then; the standard output still gets the exit line.
        QVERIFY(talv->readAllStandardOutput().endsWith("Z: Exit Velmora Team Monitor OK\n\r"));
    }

    // A stored list whose count is damaged once made the settings reader
    // throw before the log opened, at every start and with "--clean" too.
    void aDamagedSessionFileStopsNothing()
    {
        const QString user = dataFolder() + QStringLiteral("/someone@example.com");
        const auto writeDamagedSession = [&] {
            QVERIFY(QDir().mkpath(user));
            QFile config(dataFolder() + QStringLiteral("/config.ini"));
            QVERIFY(config.open(QIODevice::WriteOnly));
            config.write("[General]\nlastLogin=someone@example.com\n");
            QFile session(user + QStringLiteral("/session.ini"));
            QVERIFY(session.open(QIODevice::WriteOnly));
            session.write("[General]\nlogged=true\ntask2activeTimeMap=@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\n");
        };

        writeDamagedSession();
        QProcess *clean = start({QStringLiteral("--clean")});
        QVERIFY(clean->waitForFinished(20000));
        QCOMPARE(clean->exitCode(), 0);
        QVERIFY(!QFileInfo::exists(dataFolder()));

        writeDamagedSession();
        QProcess *talv = start({});
        QVERIFY(!waitForWindow(QStringLiteral("Авторизация")).isEmpty());
        QCOMPARE(QDir(user).entryList({QStringLiteral("session.ini.damaged-*")}).size(), 1);
        QCOMPARE(logLines().filter(QStringLiteral("session.ini cannot be read")).size(), 1);
        QVERIFY(endWith(talv, SIGTERM));
    }

    void otherArgumentsStartNormally_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no argument") << QStringList();
        QTest::newRow("--clean as the second argument") << QStringList{"x", "--clean"};
        QTest::newRow("--clean in other letters") << QStringList{"--Clean"};
    }

    void otherArgumentsStartNormally()
    {
        QFETCH(QStringList, arguments);
        QProcess *talv = start(arguments);
        QVERIFY(!waitForWindow(QStringLiteral("Авторизация")).isEmpty());

        const QStringList lines = logLines();
        QVERIFY(!lines.isEmpty());
        const QRegularExpression startLine(QStringLiteral(
            R"(^Message\(0\) at \d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ: "Velmora Team Monitor 1\.1\.0 started\. )"
            R"(Build date: (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d\d \d{4}, \d\d:\d\d:\d\d"$)"));
        QVERIFY2(startLine.match(lines.first()).hasMatch(), qPrintable(lines.first()));
        QCOMPARE(QFile::permissions(dataFolder()) & 0x0077, QFileDevice::Permissions());
        QVERIFY(endWith(talv, SIGTERM));
    }

    void endOfSessionEndsLikeTheExitAction_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM (logout, shutdown)") << int(SIGTERM);
        QTest::newRow("SIGINT (Ctrl+C)") << int(SIGINT);
        QTest::newRow("SIGHUP (terminal closed)") << int(SIGHUP);
    }

    void endOfSessionEndsLikeTheExitAction()
    {
        QFETCH(int, signal);
        QProcess *talv = start({});
        QVERIFY(!waitForWindow(QStringLiteral("Авторизация")).isEmpty());
        QVERIFY(endWith(talv, signal));
        QVERIFY(logLines().last().endsWith(QStringLiteral("Z: Exit Velmora Team Monitor OK")));
    }

    void aSecondCopyIsRefusedUntilTheFirstIsKilled()
    {
        QProcess *first = start({});
        QVERIFY(!waitForWindow(QStringLiteral("Авторизация")).isEmpty());

        QProcess *second = start({});
        const QString box = waitForWindow(QStringLiteral("Velmora Team Monitor"));
        QVERIFY(!box.isEmpty());
        QCOMPARE(second->state(), QProcess::Running);
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"),
                                   {"windowfocus", "--sync", box, "key", "--clearmodifiers", "Return"}),
                 0);
        QVERIFY(second->waitForFinished(20000));
        QCOMPARE(second->exitCode(), 1);
        // Both copies wrote their start line into the one log.
        QCOMPARE(logLines().filter(QStringLiteral(" started. Build date: ")).size(), 2);

        first->kill();
        QVERIFY(first->waitForFinished());
        QProcess *third = start({});
        QVERIFY(!waitForWindow(QStringLiteral("Авторизация")).isEmpty());
        QVERIFY(endWith(third, SIGTERM));
    }

    void aDataFolderThatCannotBeCreatedStillStarts()
    {
        // A plain file stands where the data folder should be: no log, no
        // settings, yet the program starts and ends normally.
        QFile blocker(dataFolder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        QProcess *talv = start({});
        QVERIFY(!waitForWindow(QStringLiteral("Авторизация")).isEmpty());
        QVERIFY(endWith(talv, SIGTERM));
        QVERIFY(talv->readAllStandardOutput().contains("Exit Velmora Team Monitor OK\n\r"));
        QVERIFY(QFile::remove(dataFolder()));
    }

    void logSizeLimit_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("kept");
        QTest::newRow("exactly 100 MiB is appended to") << qint64(104857600) << true;
        QTest::newRow("one byte more is deleted") << qint64(104857601) << false;
    }

    void logSizeLimit()
    {
        QFETCH(qint64, size);
        QFETCH(bool, kept);
        QVERIFY(QDir().mkpath(dataFolder()));
        QFile log(dataFolder() + QStringLiteral("/log.log"));
        QVERIFY(log.open(QIODevice::WriteOnly));
        QVERIFY(log.resize(size)); // sparse: no 100 MiB written
        log.close();

        QProcess *talv = start({QStringLiteral("--clean-not")});
        QVERIFY(!waitForWindow(QStringLiteral("Авторизация")).isEmpty());
        QVERIFY(endWith(talv, SIGTERM));
        const qint64 now = QFileInfo(log.fileName()).size();
        QVERIFY2(kept ? now > size : now < 4096, qPrintable(QString::number(now)));
    }

    void aPendingUpdateStartsTheUpdaterFromTheProgramFolder()
    {
        // The program folder is not the current directory.
        QTemporaryDir programFolder;
        for (const char *name : {"TALV", "TALV-update"})
            QVERIFY(QFile::copy(QStringLiteral(VELMORA_BINARY_DIR "/bin/") + QLatin1String(name),
                                programFolder.filePath(QLatin1String(name))));
        QVERIFY(QDir().mkpath(dataFolder()));
        QSettings(dataFolder() + QStringLiteral("/update.json"), QSettings::IniFormat)
            .setValue(QStringLiteral("updateAtStartup"), true);

        QProcess *talv = start({}, programFolder.filePath(QStringLiteral("TALV")));
        QVERIFY(talv->waitForFinished(20000));
        QCOMPARE(talv->exitCode(), 0);
        // The updater starts detached; on a loaded machine it takes a while.
        QTRY_VERIFY_WITH_TIMEOUT(readFile(dataFolder() + QStringLiteral("/update-log.log")).contains("--install only"),
                                 60000);
        // The log opens before the hand-off, so the run that handed over
        // is on record too.
        QVERIFY(readFile(dataFolder() + QStringLiteral("/log.log")).contains("Velmora Team Monitor 1.1.0 started."));
        // The detached updater goes on (and starts the monitor again): it
        // must not meet the next test's data folder.
        QVERIFY(endProgramsIn(programFolder.path()));
    }

    void aPendingUpdateWithoutUpdaterStartsNormally()
    {
        QTemporaryDir programFolder;
        QVERIFY(QFile::copy(QStringLiteral(VELMORA_BINARY_DIR "/bin/TALV"),
                            programFolder.filePath(QStringLiteral("TALV"))));
        QVERIFY(QDir().mkpath(dataFolder()));
        QSettings(dataFolder() + QStringLiteral("/update.json"), QSettings::IniFormat)
            .setValue(QStringLiteral("updateAtStartup"), true);

        QProcess *talv = start({}, programFolder.filePath(QStringLiteral("TALV")));
        QVERIFY(!waitForWindow(QStringLiteral("Авторизация")).isEmpty());
        QVERIFY(endWith(talv, SIGTERM));
        QVERIFY(talv->readAllStandardError().contains("Eror runWinAppAsAdmin \"TALV-update\" 2"));
    }

private:
    static QString dataFolder() { return QDir::home().filePath(QStringLiteral(".velmora")); }

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QStringList logLines()
    {
        return QString::fromUtf8(readFile(dataFolder() + QStringLiteral("/log.log")))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QProcess *start(const QStringList &arguments,
                    const QString &program = QStringLiteral(VELMORA_BINARY_DIR "/bin/TALV"))
    {
        return m_processes.start(program, arguments, QDir::homePath());
    }

    // The id of the visible window titled exactly \a title, once it shows.
    static QString waitForWindow(const QString &title)
    {
        QProcess search;
        search.start(QStringLiteral("xdotool"),
                     {"search", "--sync", "--onlyvisible", "--name", QLatin1Char('^') + title + QLatin1Char('$')});
        if (!search.waitForFinished(20000)) {
            search.kill();
            search.waitForFinished();
            return QString();
        }
        return QString::fromLatin1(search.readAllStandardOutput()).split(QLatin1Char('\n')).first().trimmed();
    }

    /// Kills every process whose program lives in \a folder, until none has
    /// been seen for a second; false when they kept coming for 20 seconds.
    static bool endProgramsIn(const QString &folder)
    {
        QElapsedTimer waited;
        waited.start();
        int quietScans = 0;
        while (quietScans < 5) {
            if (waited.elapsed() > 20000)
                return false;
            bool found = false;
            for (const QString &pid : QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs)) {
                const QString program = QFile::symLinkTarget(QStringLiteral("/proc/") + pid + QStringLiteral("/exe"));
                if (program.startsWith(folder + QLatin1Char('/'))) {
                    ::kill(pid_t(pid.toInt()), SIGKILL);
                    found = true;
                }
            }
            quietScans = found ? 0 : quietScans + 1;
            QTest::qWait(200);
        }
        return true;
    }

    static bool endWith(QProcess *process, int signal)
    {
        ::kill(pid_t(process->processId()), signal);
        return process->waitForFinished(20000) && process->exitStatus() == QProcess::NormalExit &&
               process->exitCode() == 0;
    }

    ChildProcesses m_processes;
};

QTEST_GUILESS_MAIN(TestMonitorStartup)
#include "TestMonitorStartup.moc"

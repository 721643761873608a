#include "support/ChildProcesses.h"
#include "support/DemoHome.h"
#include "support/StandInService.h"
#include "support/XDoTool.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace XDoTool;

// The whole update with the real programs, in a program folder and a home
// of the test's own, against the stand-in service, which offers 1.1.1 with
// a new TALV and a new TALV-update (the same programs with a few bytes
// added, so that they are told apart by content).
class TestUpdateHandOff : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char *name : {"TALV", "TALV-update"}) {
            QByteArray content = Files::read(QStringLiteral(VELMORA_BINARY_DIR "/bin/") + QLatin1String(name));
            QVERIFY(!content.isEmpty());
            content.append("\nnew version 1.1.1\n");
            const QString path = m_newFiles.filePath(QLatin1String(name));
            QVERIFY(Files::write(path, content));
            m_newDigests.insert(QLatin1String(name), digest(path));
        }
    }

    void handOff_data()
    {
        QTest::addColumn<bool>("restartNow");
        QTest::newRow("Yes: the monitor makes way at once") << true;
        QTest::newRow("No: the install waits for the monitor's next start") << false;
    }

    void handOff()
    {
        QFETCH(bool, restartNow);
        StandInService service;
        QVERIFY2(service.isRunning(), service.output().constData());
        QJsonArray files;
        for (const char *name : {"TALV", "TALV-update"})
            files.append(QJsonObject{{QStringLiteral("name"), QLatin1String(name)},
                                     {QStringLiteral("path"), m_newFiles.filePath(QLatin1String(name))}});
        QVERIFY(
            service.control(QStringLiteral("/control/version"),
                            {{QStringLiteral("version"), QStringLiteral("1.1.1")}, {QStringLiteral("files"), files}}));
        service.exportAddress();
        QTemporaryDir home;
        qputenv("HOME", home.path().toLocal8Bit());
        const QDir data(DemoHome::signIn(home.path(), false));
        QVERIFY(data.exists());
        QTemporaryDir programFolder;
        m_programFolder = programFolder.path();
        for (const char *name : {"TALV", "TALV-update"}) {
            const QString installed = program(QLatin1String(name));
            QVERIFY(QFile::copy(QStringLiteral(VELMORA_BINARY_DIR "/bin/") + QLatin1String(name), installed));
            m_oldDigests.insert(QLatin1String(name), digest(installed));
        }

        ChildProcesses processes;
        QProcess *talv = processes.start(program(QStringLiteral("TALV")), {}, home.path());
        const QString log = data.filePath(QStringLiteral("log.log"));
        QTRY_VERIFY_WITH_TIMEOUT(Files::read(log).contains("Update data: "), 20000);
        pressUpdate();
        const QString question = waitForWindow(QStringLiteral("^Перезапустить программу\\?$"));
        QVERIFY(!question.isEmpty());
        QVERIFY(!run({"windowfocus", "--sync", question}).isNull());
        QVERIFY(!run({"key", restartNow ? "Return" : "Escape"}).isNull());

        QSettings update(data.filePath(QStringLiteral("update.json")), QSettings::IniFormat);
        if (restartNow) {
            // The monitor sees the updater's request within about a second.
            QVERIFY(talv->waitForFinished(5000));
        } else {
            QTRY_VERIFY_WITH_TIMEOUT((update.sync(), update.value(QStringLiteral("updateAtStartup")).toBool()), 10000);
            QCOMPARE(digest(program(QStringLiteral("TALV"))), m_oldDigests.value("TALV")); // not yet
            talv->terminate();
            QVERIFY(talv->waitForFinished(20000));
            // The next start hands over to "--install-only" and ends.
            QProcess *next = processes.start(program(QStringLiteral("TALV")), {}, home.path());
            QVERIFY(next->waitForFinished(20000));
            QCOMPARE(next->exitCode(), 0);
        }
        QCOMPARE(talv->exitCode(), 0);

        // Installed, the monitor started again from the program folder, and
        // the new updater put in place by it.
        QTRY_VERIFY_WITH_TIMEOUT(
            Files::read(data.filePath(QStringLiteral("update-log.log"))).contains("Starting Velmora Team Monitor"),
            20000);
        QTRY_VERIFY_WITH_TIMEOUT(Files::read(log).count("Velmora Team Monitor 1.1.0 started") >= 2, 20000);
        // The new monitor put the new updater in place before its log opened.
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(data.filePath(QStringLiteral("update/TALV-update"))), 20000);
        update.sync();
        QCOMPARE(update.value(QStringLiteral("updateOk")).toBool(), true);
        QCOMPARE(update.value(QStringLiteral("forceUpdate")).toBool(), false);
        QCOMPARE(update.value(QStringLiteral("updateAtStartup")).toBool(), false);
        for (const char *name : {"TALV", "TALV-update"}) {
            QCOMPARE(digest(program(QLatin1String(name))), m_newDigests.value(QLatin1String(name)));
            QVERIFY(QFileInfo(program(QLatin1String(name))).isExecutable());
        }
    }

    void cleanup()
    {
        // The monitor the updater started belongs to no test process.
        if (!m_programFolder.isEmpty())
            QProcess::execute(QStringLiteral("pkill"), {QStringLiteral("-f"), m_programFolder});
        m_programFolder.clear();
    }

private:
    QString program(const QString &name) const { return QDir(m_programFolder).filePath(name); }

    static QByteArray digest(const QString &path)
    {
        return QCryptographicHash::hash(Files::read(path), QCryptographicHash::Sha256);
    }

    /// Clicks "Обновить" on the update notice, which stands among the
    /// notices above the strip: the lowest notice is tried until the
    /// updater runs (any other notice closes when clicked).
    void pressUpdate()
    {
        for (int attempt = 0; attempt < 10 && !updaterRuns(); ++attempt) {
            const QByteArray popups = run({"search", "--onlyvisible", "--name", "^Dialog$"});
            QPoint lowest;
            for (const QByteArray &id : popups.split('\n')) {
                const QPoint position = windowPosition(QString::fromLatin1(id));
                if (!id.isEmpty() && position.y() > lowest.y())
                    lowest = position;
            }
            if (!lowest.isNull())
                QVERIFY(click(lowest + QPoint(47, 71)));
            QTest::qWait(1000);
        }
        QVERIFY(updaterRuns());
    }

    bool updaterRuns() const
    {
        return QProcess::execute(QStringLiteral("pgrep"),
                                 {QStringLiteral("-f"), program(QStringLiteral("TALV-update"))}) == 0;
    }

    QTemporaryDir m_newFiles;
    QMap<QString, QByteArray> m_newDigests;
    QMap<QString, QByteArray> m_oldDigests;
    QString m_programFolder;
};

QTEST_MAIN(TestUpdateHandOff)
#include "TestUpdateHandOff.moc"

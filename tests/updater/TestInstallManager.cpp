#include "InstallManager.h"
#include "UpdaterStore.h"

#include "common/ProgramFiles.h"
#include "common/UpdateSettings.h"
#include "platform/Platform.h"
#include "platform/fake/FakeProcessList.h"
#include "platform/fake/FakeProgramLauncher.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList capturedLog;

void captureLog(QtMsgType, const QMessageLogContext &, const QString &message)
{
    capturedLog << message;
}

const QFileDevice::Permissions executable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                            QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;

} // namespace

// The install manager over an update folder and a program folder filled by
// each test, with the process table and the program launcher faked.
class TestInstallManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qInstallMessageHandler(captureLog);
        auto processes = std::make_unique<FakeProcessList>();
        m_processes = processes.get();
        Platform::setProcesses(std::move(processes));
    }

    void cleanupTestCase()
    {
        Platform::setProcesses(nullptr);
        qInstallMessageHandler(nullptr);
    }

    void init()
    {
        capturedLog.clear();
        m_processes->running.clear();
        auto launcher = std::make_unique<FakeProgramLauncher>();
        m_launcher = launcher.get();
        Platform::setLauncher(std::move(launcher));
        m_program = std::make_unique<QTemporaryDir>();
        ProgramFiles::setFolder(m_program->path());
        m_update = QDir(UpdaterStore::instance().dataFolder().filePath(UpdateSettings::folderName()));
        QVERIFY(m_update.removeRecursively() && m_update.mkpath(QStringLiteral(".")));
        QSettings &settings = UpdaterStore::instance().settings();
        settings.clear();
        settings.setValue(UpdateSettings::forceUpdateKey(), true);
        settings.setValue(UpdateSettings::updateAtStartupKey(), true);
        settings.sync();
    }

    void cleanup()
    {
        Platform::setLauncher(nullptr);
        ProgramFiles::setFolder(QString());
    }

    void installsTheNewVersion()
    {
        const QString monitor = ProgramFiles::monitorFileName();
        QVERIFY(Files::write(program(monitor), "old monitor", executable));
        QVERIFY(Files::write(update(monitor), "new monitor")); // downloaded: not executable
        QVERIFY(Files::write(update(QStringLiteral("libnew.so")), "new library"));
        QVERIFY(Files::write(update(QStringLiteral("TALV.part")), "a download broken off"));
        for (const QString &kept : protectedFiles())
            QVERIFY(Files::write(update(kept), "not installed by the updater"));

        QSignalSpy finished(&m_manager, &InstallManager::finished);
        m_manager.install();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toBool(), true);

        QCOMPARE(Files::read(program(monitor)), QByteArray("new monitor"));
        QCOMPARE(QFile::permissions(program(monitor)), QFile::permissions(program(monitor)) | executable);
        QCOMPARE(Files::read(program(QStringLiteral("libnew.so"))), QByteArray("new library"));
        QCOMPARE(programFiles(), (QStringList{"libnew.so", monitor}));
        // Installed files leave the update folder; the rest stays.
        QStringList left = protectedFiles() << QStringLiteral("TALV.part");
        left.sort(Qt::CaseInsensitive);
        QCOMPARE(m_update.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase), left);

        QSettings &settings = UpdaterStore::instance().settings();
        QCOMPARE(settings.value(UpdateSettings::updateOkKey()).toBool(), true);
        QCOMPARE(settings.value(UpdateSettings::forceUpdateKey()).toBool(), false);
        QCOMPARE(settings.value(UpdateSettings::updateAtStartupKey()).toBool(), false);
        QCOMPARE(capturedLog, (QStringList{"Start copying...", "Copy ok!", "Starting Velmora Team Monitor..."}));
        QCOMPARE(m_launcher->calls, QStringList{program(monitor) + QLatin1Char(' ')});
    }

    void protectedNamesAloneInstallNothing()
    {
        for (const QString &kept : protectedFiles())
            QVERIFY(Files::write(update(kept), "x"));
        m_manager.install();
        QVERIFY(programFiles().isEmpty());
        QCOMPARE(capturedLog, (QStringList{"Start copying...", "Copy ok!", "Starting Velmora Team Monitor..."}));
        QCOMPARE(UpdaterStore::instance().settings().value(UpdateSettings::updateOkKey()).toBool(), true);
        QCOMPARE(m_launcher->calls.size(), 1);
    }

    void theUpdatersNameInAnotherCaseIsCopied()
    {
        const QString variant = ProgramFiles::updaterFileName().toUpper();
        QVERIFY(Files::write(update(variant), "x"));
        m_manager.install();
        QCOMPARE(programFiles(), QStringList{variant});
    }

    void failures_data()
    {
        QTest::addColumn<QString>("blocked"); // a folder where a file of the update goes
        QTest::addColumn<QString>("failed");  // the file the log names
        const QString monitor = ProgramFiles::monitorFileName();
        QTest::newRow("a destination that is no file") << "libfoo"
                                                       << "libfoo";
        QTest::newRow("the old file cannot be set aside (after another file went in)")
            << monitor + ".velmora-old" << monitor;
    }

    void failures()
    {
        QFETCH(QString, blocked);
        QFETCH(QString, failed);
        // The update folder is known once init() has run, not in failures_data().
        const QString logged = "Error! Can't remove file " + failed + " from " + update(failed);
        const QString monitor = ProgramFiles::monitorFileName();
        QVERIFY(Files::write(program(monitor), "old monitor", executable));
        QVERIFY(Files::write(program(QStringLiteral("aaa.dat")), "old data"));
        QVERIFY(Files::write(update(monitor), "new monitor"));
        QVERIFY(Files::write(update(QStringLiteral("aaa.dat")), "new data"));
        QVERIFY(Files::write(update(QStringLiteral("libfoo")), "new library"));
        QVERIFY(QDir(program(blocked)).mkpath(QStringLiteral("inside")));
        const QStringList before = programFiles();

        QSignalSpy finished(&m_manager, &InstallManager::finished);
        m_manager.install();
        QCOMPARE(finished.first().first().toBool(), false);
        QVERIFY2(capturedLog.contains(logged), qPrintable(capturedLog.join(QLatin1Char('\n'))));
        QVERIFY(capturedLog.contains(QStringLiteral("Critical error! Exit")));
        // The old version is whole, with nothing left over beside it.
        QCOMPARE(Files::read(program(monitor)), QByteArray("old monitor"));
        QCOMPARE(Files::read(program(QStringLiteral("aaa.dat"))), QByteArray("old data"));
        QCOMPARE(programFiles(), before);
        QCOMPARE(m_update.entryList(QDir::Files).size(), 3);
        QVERIFY(!UpdaterStore::instance().settings().contains(UpdateSettings::updateOkKey()));
        // ... and runs again.
        QCOMPARE(m_launcher->calls, QStringList{program(monitor) + QLatin1Char(' ')});
    }

    void waitsWhileTheMonitorRuns()
    {
        m_processes->running.insert(ProgramFiles::monitorFileName());
        QSignalSpy finished(&m_manager, &InstallManager::finished);
        m_manager.start();
        QVERIFY(!finished.wait(400));
        QCOMPARE(capturedLog, QStringList{"Waiting for process TALV finished..."});
        m_processes->running.clear();
        QVERIFY(finished.wait(1000));
        QVERIFY(capturedLog.contains(QStringLiteral("Copy ok!")));
    }

private:
    QString program(const QString &name) const { return QDir(m_program->path()).filePath(name); }
    QString update(const QString &name) const { return m_update.filePath(name); }
    QStringList programFiles() const
    {
        return QDir(m_program->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    }
    static QStringList protectedFiles()
    {
        return {ProgramFiles::updaterFileName(), QStringLiteral("QtCore4.dll"), QStringLiteral("QtGui4.dll"),
                QStringLiteral("QtNetwork4.dll")};
    }

    FakeProcessList *m_processes = nullptr;
    FakeProgramLauncher *m_launcher = nullptr;
    std::unique_ptr<QTemporaryDir> m_program;
    QDir m_update;
    InstallManager m_manager;
};

QTEST_GUILESS_MAIN(TestInstallManager)
#include "TestInstallManager.moc"

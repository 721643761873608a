#include "common/ProgramFiles.h"
#include "support/ChildProcesses.h"
#include "platform/Platform.h"
#include "platform/linux/DetachedProcessLauncher.h"
#include "platform/linux/ProcFsProcessList.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The process check and the program start, against real processes: copies of
// /bin/sleep under names of our own.
class TestProcesses : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_name = QStringLiteral("velmora-probe-%1").arg(QCoreApplication::applicationPid());
        m_program = m_dir.filePath(m_name);
        QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), m_program));
    }

    void cleanup() { m_processes.clear(); }

    void findsAProcessByItsExactName()
    {
        ProcFsProcessList processes;
        QVERIFY(!processes.isRunning(m_name));

        QProcess *process = start(m_program, {QStringLiteral("30")});
        QVERIFY(processes.isRunning(m_name));
        QVERIFY(!processes.isRunning(m_name.toUpper()));
        QVERIFY(!processes.isRunning(m_name.left(m_name.size() - 1)));
        QVERIFY(!processes.isRunning(m_program));
        QVERIFY(isProcessRunning(m_name));

        process->kill();
        QVERIFY(process->waitForFinished());
        QVERIFY(!processes.isRunning(m_name));
    }

    void withoutArgv0TheExecutableFileCountsEvenWhenReplaced()
    {
        // An update replaces the file of a running program: its "exe" link
        // then ends in " (deleted)".
        const QString program = m_dir.filePath(QStringLiteral("replaced-probe"));
        QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), program));
        start(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), QStringLiteral("exec -a '' '%1' 30").arg(program)});
        ProcFsProcessList processes;
        QTRY_VERIFY(processes.isRunning(QStringLiteral("replaced-probe")));

        QVERIFY(QFile::remove(program));
        QVERIFY(processes.isRunning(QStringLiteral("replaced-probe")));
    }

    void aZombieDoesNotCount()
    {
        // The probe dies while its parent (sleep, in the shell's place)
        // never reaps it.
        QProcess *parent =
            start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"), QStringLiteral("'%1' 30 & echo $!; exec sleep 30").arg(m_program)});
        QVERIFY(parent->waitForReadyRead());
        const qint64 probe = parent->readLine().trimmed().toLongLong();
        QVERIFY(probe > 0);
        ProcFsProcessList processes;
        QTRY_VERIFY(processes.isRunning(m_name));

        QCOMPARE(::kill(pid_t(probe), SIGKILL), 0);
        QTRY_VERIFY(QFile(QStringLiteral("/proc/%1/stat").arg(probe)).open(QIODevice::ReadOnly) &&
                    !processes.isRunning(m_name));
    }

    void launcherResults_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("result");
        QTest::newRow("a missing file") << QStringLiteral("missing-program") << 2;
        QTest::newRow("a missing folder") << QStringLiteral("no-folder/program") << 3;
        QTest::newRow("a file that is no program") << QStringLiteral("plain.txt") << 11;
        QTest::newRow("a folder") << QStringLiteral("a-folder") << 11;
    }

    void launcherResults()
    {
        QFETCH(QString, program);
        QFETCH(int, result);
        QFile plain(m_dir.filePath(QStringLiteral("plain.txt")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QDir(m_dir.path()).mkpath(QStringLiteral("a-folder"));

        QCOMPARE(DetachedProcessLauncher().start(m_dir.filePath(program), QString()), result);
    }

    void launcherStartsTheProgramWithItsArguments()
    {
        const QString marker = m_dir.filePath(QStringLiteral("started with args"));
        const int result = DetachedProcessLauncher().start(QStringLiteral("/usr/bin/touch"),
                                                           QLatin1Char('"') + marker + QLatin1Char('"'));
        QVERIFY(result > 32);
        QTRY_VERIFY(QFile::exists(marker));
    }

    void programsAreStartedFromTheProgramFolder()
    {
        QCOMPARE(ProgramFiles::folder(), QCoreApplication::applicationDirPath());
        QCOMPARE(ProgramFiles::updaterFileName(), QStringLiteral("TALV-update"));
        QCOMPARE(ProgramFiles::monitorFileName(), QStringLiteral("TALV"));

        // Whatever the current directory, the file is looked up beside the program.
        ProgramFiles::setFolder(m_dir.path());
        QDir::setCurrent(QDir::rootPath());
        QVERIFY(ProgramFiles::start(m_name, QStringLiteral("0.1")) > 32);
        QCOMPARE(ProgramFiles::start(QStringLiteral("TALV-update"), QString()), 2);
        ProgramFiles::setFolder(QString());
    }

private:
    QProcess *start(const QString &program, const QStringList &arguments)
    {
        return m_processes.start(program, arguments);
    }

    QTemporaryDir m_dir;
    QString m_name;
    QString m_program;
    ChildProcesses m_processes;
};

QTEST_GUILESS_MAIN(TestProcesses)
#include "TestProcesses.moc"

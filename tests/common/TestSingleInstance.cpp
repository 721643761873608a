#include "common/SingleInstance.h"
#include "platform/Platform.h"
#include "platform/InstanceLock.h"
#include "platform/linux/LockFileInstanceLock.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void oneHolderAtATime()
    {
        const QString key = SingleInstance::key(QStringLiteral("Velmora Team Monitor"));
        QCOMPARE(key, QStringLiteral("SingleAppLockVelmora Team Monitor"));

        auto first = Platform::createInstanceLock(key, m_dir.path());
        auto second = Platform::createInstanceLock(key, m_dir.path());
        QVERIFY(first->tryLock());
        QVERIFY(first->tryLock());
        QVERIFY(!second->tryLock());

        first.reset();
        QVERIFY(second->tryLock());
    }

    void anOldLockOfARunningHolderIsKept()
    {
        // The monitor runs for days; age alone must not free its lock.
        LockFileInstanceLock first(QStringLiteral("old"), m_dir.path());
        QVERIFY(first.tryLock());
        QFile file(first.fileName());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTimeUtc().addDays(-3), QFileDevice::FileModificationTime));
        file.close();

        LockFileInstanceLock second(QStringLiteral("old"), m_dir.path());
        QVERIFY(!second.tryLock());
    }

    void lockFileLivesInTheRuntimeFolderElseTheFallback()
    {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        LockFileInstanceLock inRuntime(QStringLiteral("k"), m_dir.path());
        QCOMPARE(inRuntime.fileName(), QString::fromLocal8Bit(runtime) + QStringLiteral("/k.lock"));

        qunsetenv("XDG_RUNTIME_DIR");
        LockFileInstanceLock inFallback(QStringLiteral("k"), m_dir.path());
        qputenv("XDG_RUNTIME_DIR", runtime);
        QCOMPARE(inFallback.fileName(), m_dir.filePath(QStringLiteral("k.lock")));
    }

    void twoUsersDoNotBlockEachOther()
    {
        // Each user has a runtime folder of their own.
        QTemporaryDir otherRuntime;
        LockFileInstanceLock mine(QStringLiteral("key"), m_dir.path());
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", otherRuntime.path().toLocal8Bit());
        LockFileInstanceLock theirs(QStringLiteral("key"), m_dir.path());
        qputenv("XDG_RUNTIME_DIR", runtime);

        QVERIFY(mine.tryLock());
        QVERIFY(theirs.tryLock());
    }

    void aLockFileThatCannotBeWrittenDoesNotBlock()
    {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
        LockFileInstanceLock lock(QStringLiteral("k"), m_dir.filePath(QStringLiteral("no/such/folder")));
        qputenv("XDG_RUNTIME_DIR", runtime);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Cannot create the lock file")));
        QVERIFY(lock.tryLock());
    }

    void aLockLeftByADeadProcessIsTakenOver()
    {
        // A process that has ended leaves its id in a lock file, as a copy
        // killed with kill -9 does.
        QProcess ended;
        ended.start(QStringLiteral("/bin/sleep"), {QStringLiteral("0.1")});
        QVERIFY(ended.waitForStarted());
        const qint64 deadPid = ended.processId();
        QVERIFY(ended.waitForFinished());

        LockFileInstanceLock lock(QStringLiteral("stale"), m_dir.path());
        QFile file(lock.fileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::number(deadPid) + "\nTALV\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        file.close();

        QVERIFY(lock.tryLock());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"

#include "common/Clock.h"
#include "model/Session.h"
#include "support/RaisedNotices.h"
#include "support/SessionFixture.h"
#include "support/TaskRecords.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>

namespace {

const QString user = QStringLiteral("user@example.com");

QDateTime dayAt(int day, const QTime &time)
{
    return QDateTime(QDate(2026, 12, day), time);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void copyFixture(const TestSessionOwner &owner, const QString &login)
{
    QDir().mkpath(owner.path(login));
    for (const char *name : {"tasks.ini", "taskInfo.ini"}) {
        const QString target = owner.path(login + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(
            QFile::copy(QStringLiteral(VELMORA_SOURCE_DIR "/tests/data/fixture-user/") + QLatin1String(name), target));
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void init() { Clock::setNow(dayAt(10, QTime(15, 0, 0))); }
    void cleanup() { Clock::reset(); }

    // What a restart brings back depends on whether the stored day is today.
    void restart_data()
    {
        QTest::addColumn<int>("daysLater");
        QTest::addColumn<QTime>("work");
        QTest::addColumn<QTime>("active");
        QTest::addColumn<QTime>("taskActive");
        QTest::addColumn<int>("timeUpdates");

        QTest::newRow("the same day restores whole minutes")
            << 0 << QTime(1, 2, 0) << QTime(0, 45, 0) << QTime(0, 30, 0) << 1;
        QTest::newRow("a later day starts at midnight with no task times")
            << 1 << QTime(0, 0, 0) << QTime(0, 0, 0) << QTime(0, 0, 0) << 0;
    }

    void restart()
    {
        QFETCH(int, daysLater);
        QFETCH(QTime, work);
        QFETCH(QTime, active);
        QFETCH(QTime, taskActive);
        QFETCH(int, timeUpdates);

        TestSessionOwner owner;
        {
            Session first(&owner, nullptr);
            first.load(user, QStringLiteral("pa+ss word"));
            first.setTeamID(QStringLiteral("7"));
            first.setTaskID(QStringLiteral("101"));
            first.setActive(true);
            first.setLogged(true);
            first.setOnline(false);
            first.tickSecond(); // the first tick starts the day
            first.setTodayTotal(QTime(1, 2, 33));
            first.setTodayActive(QTime(0, 45, 12));
            first.setTaskActiveTime(QStringLiteral("101"), QTime(0, 30, 0));
            first.save();
        }

        Clock::setNow(dayAt(10 + daysLater, QTime(9, 0, 0)));
        Session restored(&owner, nullptr);
        QSignalSpy timeUpdated(&restored, &Session::timeUpdated);
        restored.restoreLastLogin();

        QCOMPARE(restored.login(), user);
        QCOMPARE(restored.password(), QStringLiteral("pa+ss word"));
        QCOMPARE(restored.teamID(), QStringLiteral("7"));
        QCOMPARE(restored.taskID(), QStringLiteral("101"));
        QVERIFY(restored.active());
        QVERIFY(restored.logged());
        QVERIFY(!restored.isOnline());
        QCOMPARE(restored.worktimeDate(), Clock::today());
        QCOMPARE(restored.todayWorktime(), work);
        QCOMPARE(restored.shownWorkTime(), work);
        QCOMPARE(restored.todayActivetime(), active);
        QCOMPARE(restored.shownActiveTime(), active);
        QCOMPARE(restored.todayActiveTime(QStringLiteral("101")), taskActive);
        QCOMPARE(timeUpdated.count(), timeUpdates);
        QCOMPARE(owner.obsoleteFileRuns, 2);
    }

    // The stored keys and their forms, and the password file's permissions.
    void sessionFile()
    {
        TestSessionOwner owner;
        Session session(&owner, nullptr);
        session.load(user, QStringLiteral("secret"));
        session.setTaskID(QStringLiteral("101"));
        session.tickSecond();
        session.setTodayTotal(QTime(1, 2, 0));
        session.save();

        const QString path = owner.path(user + QStringLiteral("/session.ini"));
        const QByteArray text = readFile(path);
        for (const char *line : {"password=secret", "logged=false", "active=false", "teamID=", "taskID=101",
                                 "isOnline=true", "worktimeDate=Thu Dec 10 2026", "todayWorktime=01:02:00",
                                 "todayActivetime=00:00:00", "task2activeTimeMap=@Variant("}) {
            QVERIFY2(text.contains("\n" + QByteArray(line)), line);
        }
        QCOMPARE(QFile::permissions(path) & 0x0077, QFileDevice::Permissions());
        QCOMPARE(QSettings(owner.path(QStringLiteral("config.ini")), QSettings::IniFormat).value("lastLogin"),
                 QVariant(user));
        QVERIFY(QDir(owner.path(user + QStringLiteral("/activity"))).exists());
    }

    // Files written by hand or by other runs: Qt's text date, a time with
    // seconds, a time that does not read, a missing key.
    void storedTextForms()
    {
        TestSessionOwner owner;
        QDir().mkpath(owner.path(user));
        QSettings stored(owner.path(user + QStringLiteral("/session.ini")), QSettings::IniFormat);
        stored.setValue("worktimeDate", Clock::today().toString(Qt::TextDate));
        stored.setValue("todayWorktime", "02:10:59");
        stored.setValue("todayActivetime", "not a time");
        stored.sync();

        Session session(&owner, nullptr);
        session.load(user, QString());
        QCOMPARE(session.todayWorktime(), QTime(2, 10, 0));
        QCOMPARE(session.todayActivetime(), QTime(0, 0, 0));
        QVERIFY(session.isOnline());
    }

    void saveWithoutLogin()
    {
        TestSessionOwner owner;
        Session session(&owner, nullptr);
        session.load(user, QStringLiteral("secret"));
        session.save();
        const QString path = owner.path(user + QStringLiteral("/session.ini"));
        const QByteArray before = readFile(path);

        session.setLogin(QString());
        session.setTaskID(QStringLiteral("5"));
        session.save();
        QCOMPARE(readFile(path), before);
        QCOMPARE(QSettings(owner.path(QStringLiteral("config.ini")), QSettings::IniFormat).value("lastLogin"),
                 QVariant(QString()));

        Session fresh(&owner, nullptr);
        fresh.restoreLastLogin();
        QVERIFY(fresh.login().isEmpty());
    }

    // A worked minute saves the session; the task cache is rewritten only
    // when it changed (a rewrite puts a new file in place).
    void saveWritesChangedFilesOnly()
    {
        TestSessionOwner owner;
        Session session(&owner, nullptr);
        session.load(user, QStringLiteral("secret"));
        session.setTasks(QStringLiteral("7"), {makeTask(QStringLiteral("1"), QStringLiteral("T")), pseudoTask()});
        session.setTeams({{QStringLiteral("7"), QStringLiteral("Team")}});
        session.taskInfo(QStringLiteral("1"));
        session.save();

        const QStringList files{"session.ini", "teams.ini", "tasks.ini", "taskInfo.ini"};
        const auto inodes = [&] {
            QList<ino_t> result;
            for (const QString &name : files) {
                struct stat info
                {
                };
                ::stat(QFile::encodeName(owner.path(user + QLatin1Char('/') + name)).constData(), &info);
                result << info.st_ino;
            }
            return result;
        };
        const QList<ino_t> saved = inodes();

        session.addWorkMinute();
        session.setTasks(QStringLiteral("7"), {makeTask(QStringLiteral("1"), QStringLiteral("T")), pseudoTask()});
        session.setTeams({{QStringLiteral("7"), QStringLiteral("Team")}});
        session.save();
        // session.ini was rewritten (a freed inode may come back, so its
        // content tells); the unchanged caches kept their files.
        QCOMPARE(
            QSettings(owner.path(user + QStringLiteral("/session.ini")), QSettings::IniFormat).value("todayWorktime"),
            QVariant(QStringLiteral("00:01:00")));
        QList<ino_t> now = inodes();
        QCOMPARE(now.mid(1), saved.mid(1));

        session.setTasks(QStringLiteral("7"),
                         {makeTask(QStringLiteral("1"), QStringLiteral("T renamed")), pseudoTask()});
        QFile::remove(owner.path(user + QStringLiteral("/teams.ini")));
        session.save();
        now = inodes();
        QVERIFY(now.at(2) != saved.at(2));
        QCOMPARE(now.at(3), saved.at(3));
        QCOMPARE(QSettings(owner.path(user + QStringLiteral("/teams.ini")), QSettings::IniFormat).value("7"),
                 QVariant(QStringLiteral("Team")));
    }

    void midnightRollover()
    {
        TestSessionOwner owner;
        Session session(&owner, nullptr);
        session.load(user, QStringLiteral("secret"));
        Clock::setNow(dayAt(10, QTime(23, 59, 58)));
        session.tickSecond();
        session.setTaskID(QStringLiteral("101"));
        session.addActiveMinute();
        session.setTodayActive(QTime(3, 0, 0));
        session.setTodayTotal(QTime(4, 0, 0));

        QSignalSpy timeUpdated(&session, &Session::timeUpdated);
        Clock::advance(1000);
        session.tickSecond();
        QCOMPARE(session.shownWorkTime(), QTime(4, 0, 1));
        QCOMPARE(session.shownActiveTime(), QTime(3, 0, 1));

        Clock::advance(1000);
        session.tickSecond();
        QCOMPARE(timeUpdated.count(), 2);
        QCOMPARE(session.worktimeDate(), QDate(2026, 12, 11));
        for (const QTime &time : {session.todayWorktime(), session.shownWorkTime(), session.todayActivetime(),
                                  session.shownActiveTime(), session.todayActiveTime(QStringLiteral("101"))})
            QCOMPARE(time, QTime(0, 0, 0));
    }

    void minutes()
    {
        TestSessionOwner owner;
        Session session(&owner, nullptr);
        session.load(user, QStringLiteral("secret"));
        // A user new here starts today: the first save must not store an
        // undated day (it would be dropped as "another day" at the next start).
        QCOMPARE(session.worktimeDate(), Clock::today());
        session.setTaskID(QStringLiteral("101"));
        session.addActiveMinute();
        session.addActiveMinute();
        session.setTaskID(QStringLiteral("102"));
        session.addActiveMinute();
        QCOMPARE(session.todayActivetime(), QTime(0, 3, 0));
        QCOMPARE(session.todayActiveTime(QStringLiteral("101")), QTime(0, 2, 0));
        QCOMPARE(session.todayActiveTime(QStringLiteral("102")), QTime(0, 1, 0));
        QCOMPARE(session.todayActiveTime(QStringLiteral("unknown")), QTime(0, 0, 0));
        QCOMPARE(session.shownActiveTime(), QTime(0, 0, 0)); // the stored minutes show on demand
        session.showStoredActive();
        QCOMPARE(session.shownActiveTime(), QTime(0, 3, 0));

        // A worked minute is on disk at once: a killed program loses none.
        session.addWorkMinute();
        QCOMPARE(
            QSettings(owner.path(user + QStringLiteral("/session.ini")), QSettings::IniFormat).value("todayWorktime"),
            QVariant(QStringLiteral("00:01:00")));
        session.showStoredWork();
        QCOMPARE(session.shownWorkTime(), QTime(0, 1, 0));
    }

    // The service's active time replaces the shown one only when it is in
    // another minute, so the shown seconds keep running.
    void setTodayActive_data()
    {
        QTest::addColumn<QTime>("synced");
        QTest::addColumn<QTime>("shown");
        QTest::addColumn<int>("timeUpdates");
        QTest::newRow("a later minute is shown at once") << QTime(1, 30, 0) << QTime(1, 30, 0) << 1;
        QTest::newRow("the same minute keeps the shown seconds") << QTime(1, 29, 0) << QTime(1, 29, 40) << 0;
        QTest::newRow("the same minute of another hour is another minute") << QTime(2, 29, 0) << QTime(2, 29, 0) << 1;
    }

    void setTodayActive()
    {
        QFETCH(QTime, synced);
        QFETCH(QTime, shown);
        QFETCH(int, timeUpdates);

        TestSessionOwner owner;
        Session session(&owner, nullptr);
        session.setTodayActive(QTime(1, 29, 40));
        QSignalSpy timeUpdated(&session, &Session::timeUpdated);
        session.setTodayActive(synced);
        QCOMPARE(session.todayActivetime(), synced);
        QCOMPARE(session.shownActiveTime(), shown);
        QCOMPARE(timeUpdated.count(), timeUpdates);
    }

    void setTaskID()
    {
        TestSessionOwner owner;
        Session session(&owner, nullptr);
        QSignalSpy changed(&session, &Session::taskChanged);
        session.setTaskID(QStringLiteral("101"));
        session.setTaskID(QStringLiteral("101"));
        session.setTaskID(QString());
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("101"));
        QCOMPARE(changed.at(1).at(0).toString(), QString());
    }

    void taskInfoOfUnknownId()
    {
        TestSessionOwner owner;
        Session session(&owner, nullptr);
        session.load(user, QStringLiteral("secret"));
        QVERIFY(session.taskInfo(QStringLiteral("55")) == TaskInfo());
        session.save();
        QSettings stored(owner.path(user + QStringLiteral("/taskInfo.ini")), QSettings::IniFormat);
        QVERIFY(stored.contains("55"));
        QVERIFY(stored.value("55").value<TaskInfo>() == TaskInfo());
    }

    // Files written by an earlier run of the program.
    void storedFixture()
    {
        TestSessionOwner owner;
        const QString login = QStringLiteral("fixture@example.com");
        copyFixture(owner, login);
        Session session(&owner, nullptr);
        session.load(login, QStringLiteral("secret"));

        const Task first = makeTask(QStringLiteral("101"), QStringLiteral("Сверстать форму входа"),
                                    "2026-12-24 18:30:00", QStringLiteral("0"), "2026-12-09 09:15:07", 3);
        const Task second =
            makeTask(QStringLiteral("102"), QStringLiteral("Blocked \"quoted\" task"), "", QStringLiteral("1"), "", -2);
        QVERIFY(session.tasks(QStringLiteral("7")) == (QList<Task>{first, second, pseudoTask()}));
        QVERIFY(session.tasks(QStringLiteral("2192")) == (QList<Task>{first, pseudoTask()}));
        QVERIFY(session.taskInfo(QStringLiteral("101")) == sampleTaskInfo());
        QVERIFY(session.taskInfo(QStringLiteral("102")) == TaskInfo());
    }

    // A file that cannot be read is set aside with one notice; the session
    // loads the rest and writes a new file in its place.
    void damagedFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("tasksKept");
        QTest::addColumn<bool>("taskInfoKept");

        const QByteArray hugeList = "@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)";
        QTest::newRow("session.ini: a stored list of two billion times")
            << "session.ini"
            << "[General]\nlogged=true\ntask2activeTimeMap=" + hugeList + "\n"
            << true << true;
        QTest::newRow("tasks.ini: a task list cut short")
            << "tasks.ini"
            << QByteArray("[General]\n7=\"@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\fQList<Task>\\0\\0\\0\\0\\x3)\"") << false
            << true;
        QTest::newRow("taskInfo.ini: a list instead of a description") << "taskInfo.ini"
                                                                       << "101=" + hugeList << true << false;
        QTest::newRow("teams.ini: garbage bytes")
            << "teams.ini" << QByteArray("\x89PNG\r\n\x1a\n\0\0\xff", 11) << true << true;
        QTest::newRow("session.ini: a folder") << "session.ini" << QByteArray() << true << true;
    }

    void damagedFiles()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(bool, tasksKept);
        QFETCH(bool, taskInfoKept);
        TestSessionOwner owner;
        const QString login = QStringLiteral("fixture@example.com");
        copyFixture(owner, login);
        const QString path = owner.path(login + QLatin1Char('/') + file);
        if (content.isEmpty()) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QFile damaged(path);
            QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
            damaged.write(content);
        }
        RaisedNotices notices;

        Session session(&owner, nullptr);
        session.load(login, QStringLiteral("secret"));

        const QString setAside = file + QStringLiteral(".damaged-10-12-2026-15-00-00");
        QVERIFY(QFileInfo::exists(owner.path(login + QLatin1Char('/') + setAside)));
        QCOMPARE(notices.texts(), QStringList{QStringLiteral("Файл %1 повреждён и отложен как %2, остальные данные "
                                                             "загружены")
                                                  .arg(file, setAside)});
        QCOMPARE(session.tasks(QStringLiteral("7")).size(), tasksKept ? 3 : 0);
        QCOMPARE(session.taskInfo(QStringLiteral("101")) == sampleTaskInfo(), taskInfoKept);
        QVERIFY(!session.logged());

        // What is written in its place reads without a notice.
        session.setTeams({{QStringLiteral("7"), QStringLiteral("Разработка")}});
        session.save();
        QVERIFY(!QFileInfo(path).isDir());
        Session again(&owner, nullptr);
        again.load(login, QString());
        QCOMPARE(notices.texts().size(), 1);
    }

    // A damaged config.ini only forgets who signed in last.
    void damagedConfigFile()
    {
        TestSessionOwner owner;
        QVERIFY(QDir().mkpath(owner.path(QStringLiteral("config.ini"))));
        RaisedNotices notices;
        Session session(&owner, nullptr);
        session.restoreLastLogin();
        QVERIFY(session.login().isEmpty());
        QCOMPARE(notices.texts().size(), 1);
        session.setLogin(user);
        session.save();
        QCOMPARE(QSettings(owner.path(QStringLiteral("config.ini")), QSettings::IniFormat).value("lastLogin"),
                 QVariant(user));
    }

    void clear()
    {
        TestSessionOwner owner;
        Session session(&owner, nullptr);
        session.load(user, QStringLiteral("secret"));
        session.setTeamID(QStringLiteral("7"));
        session.setTaskID(QStringLiteral("101"));
        session.setActive(true);
        session.setLogged(true);
        session.setTasks(QStringLiteral("7"), {makeTask(QStringLiteral("101"), QStringLiteral("T"))});
        session.setTeams({{QStringLiteral("7"), QStringLiteral("Team")}});
        session.setTodayTotal(QTime(1, 0, 0));

        session.clear();
        QVERIFY(session.login().isEmpty() && session.password().isEmpty());
        QVERIFY(session.teamID().isEmpty() && session.taskID().isEmpty());
        QVERIFY(!session.active() && !session.logged() && !session.isOnline());
        QCOMPARE(session.worktimeDate(), Clock::today());
        QCOMPARE(session.todayWorktime(), QTime(0, 0, 0));
        QVERIFY(session.teams().isEmpty() && session.allTasks().isEmpty());

        // Its files are closed: saving now touches only config.ini.
        const QByteArray teams = readFile(owner.path(user + QStringLiteral("/teams.ini")));
        session.save();
        QCOMPARE(readFile(owner.path(user + QStringLiteral("/teams.ini"))), teams);
    }

    void lookups()
    {
        TestSessionOwner owner;
        Session session(&owner, nullptr);
        const Task open = makeTask(QStringLiteral("1"), QStringLiteral("open"), "2026-12-10 14:00:00", "0");
        const Task blocked = makeTask(QStringLiteral("2"), QStringLiteral("blocked"), "", "1");
        const Task otherCopy = makeTask(QStringLiteral("1"), QStringLiteral("copy in team b"));
        session.setTasks(QStringLiteral("b"), {otherCopy, pseudoTask()});
        session.setTasks(QStringLiteral("a"), {open, blocked, pseudoTask()});
        session.setTeams({{QStringLiteral("b"), QStringLiteral("Team B")}, {QStringLiteral("a"), QStringLiteral("A")}});

        QVERIFY(session.allTasks() == (QList<Task>{open, blocked, pseudoTask()}));
        QVERIFY(session.blockedTasks(QStringLiteral("a")) == QList<Task>{blocked});
        QVERIFY(session.findTask(QStringLiteral("b"), QStringLiteral("1")) == otherCopy);
        QVERIFY(session.findTask(QString(), QStringLiteral("1")) == Task());
        QVERIFY(session.findTask(QStringLiteral("a"), QStringLiteral("9")) == Task());
        QCOMPARE(session.teamName(QStringLiteral("a")), Team(QStringLiteral("a"), QStringLiteral("A")));
        QCOMPARE(session.teamName(QStringLiteral("z")), Team());

        session.setTeamID(QStringLiteral("a"));
        session.setTaskID(QStringLiteral("1"));
        QCOMPARE(session.currentDeadline(), open.deadline);
        QCOMPARE(session.overdueSeconds(), qint64(3600));
        session.setTaskID(QStringLiteral("0"));
        QCOMPARE(session.currentDeadline(), Clock::now());
        QCOMPARE(session.overdueSeconds(), qint64(0));
        session.setTaskID(QStringLiteral("9"));
        QVERIFY(!session.currentDeadline().isValid());

        session.updateTaskDeadline(QStringLiteral("a"), open);
        QCOMPARE(session.findTask(QStringLiteral("b"), QStringLiteral("1")).deadline, open.deadline);
        session.removeTask(QStringLiteral("1"));
        QVERIFY(session.allTasks() == (QList<Task>{blocked, pseudoTask()}));
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "TestSession.moc"

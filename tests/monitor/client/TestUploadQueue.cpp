#include "client/UploadQueue.h"
#include "common/Clock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList capturedLog;

void captureLog(QtMsgType, const QMessageLogContext &, const QString &message)
{
    capturedLog << message;
}

const QString activityUrl = QStringLiteral("https://service.test/api_active2");

} // namespace

// The queue's rules, without a network: the poster records what would be
// sent, and each test answers the uploads as the service would.
class TestUploadQueue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qInstallMessageHandler(captureLog); }
    void cleanupTestCase() { qInstallMessageHandler(nullptr); }
    void cleanup() { Clock::reset(); }

    // Three minutes wait (their uploads failed on the network), then a
    // fourth is recorded; the service answers each upload in turn. N is the
    // new minute, A, B and C the waiting files in the order they are first
    // sent.
    void rules_data()
    {
        QTest::addColumn<QString>("answers"); // c confirmed, r refused, n network failure
        QTest::addColumn<QString>("sent");
        QTest::addColumn<int>("left");
        QTest::newRow("a confirmation drains the backlog one by one") << "cccc"
                                                                      << "N A B C" << 0;
        QTest::newRow("a refused file holds nothing back and is tried in the next round") << "crcc"
                                                                                          << "N A B C A" << 1;
        QTest::newRow("a network failure stops the drain") << "cn"
                                                           << "N A" << 3;
        QTest::newRow("a refusal alone starts no round: no tight loop") << "r"
                                                                        << "N" << 4;
    }

    void rules()
    {
        QFETCH(QString, answers);
        QFETCH(QString, sent);
        QFETCH(int, left);
        QTemporaryDir folder;
        QStringList posted;
        UploadQueue queue([&posted](const QUrl &, const QByteArray &, const QString &file) { posted << file; });
        queue.setFolder(folder.path());
        for (int i = 0; i < 3; ++i) {
            queue.add({activityUrl, {{"active", QString::number(i)}}, Clock::now(), {}});
            queue.failed(false);
        }
        QCOMPARE(posted.size(), 3);
        posted.clear();

        queue.add({activityUrl, {{"active", "9"}}, Clock::now(), {}});
        for (const QChar answer : answers) {
            QVERIFY(!posted.isEmpty());
            const QString file = posted.last();
            if (answer == QLatin1Char('c'))
                queue.confirmed(file);
            else
                queue.failed(answer == QLatin1Char('r'));
            QCoreApplication::processEvents(); // the next file goes through the event loop
        }

        QStringList labels;
        QStringList waiting;
        for (const QString &file : qAsConst(posted)) {
            if (file == posted.first()) {
                labels << QStringLiteral("N");
                continue;
            }
            if (!waiting.contains(file))
                waiting << file;
            labels << QString(QChar('A' + waiting.indexOf(file)));
        }
        QCOMPARE(labels.join(QLatin1Char(' ')), sent);
        QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("json*")}, QDir::Files).size(), left);
    }

    // Each file says how long it waited; a confirmed screenshot goes with
    // its picture.
    void pastAndPictures()
    {
        QTemporaryDir folder;
        QList<QByteArray> bodies;
        QStringList posted;
        UploadQueue queue([&](const QUrl &, const QByteArray &body, const QString &file) {
            bodies << QByteArray::fromPercentEncoding(body.mid(5));
            posted << file;
        });
        queue.setFolder(folder.path());
        Clock::setNow(QDateTime(QDate(2026, 12, 10), QTime(10, 0)));
        queue.add({QStringLiteral("https://service.test/api_screenshot"), {}, Clock::now(), QByteArray("jpeg")});
        queue.failed(false);
        Clock::advance(330 * 1000);
        queue.add({activityUrl, {}, Clock::now(), {}});
        queue.confirmed(posted.last());
        QCoreApplication::processEvents();
        QCOMPARE(bodies.size(), 3);
        QVERIFY(bodies.at(2).contains("\"past\":\"330\""));
        QVERIFY(bodies.at(2).contains("\"file\":\"anBlZw==\""));
        QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("screenshot*")}).size(), 1);
        queue.confirmed(posted.last());
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList());
    }

    // Memory holds a day of minutes; beyond that the oldest goes, logged.
    void waitingReportsAreBounded()
    {
        QTemporaryDir blocked;
        QFile blocker(blocked.filePath(QStringLiteral("activity")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        int posts = 0;
        UploadQueue queue([&posts](const QUrl &, const QByteArray &, const QString &) { ++posts; });
        queue.setFolder(blocker.fileName());
        const QDateTime start(QDate(2026, 12, 10), QTime(0, 0));
        const int logged = capturedLog.size();
        for (int minute = 0; minute <= ActivityFolder::WaitingMinutesLimit; ++minute)
            queue.add({activityUrl, {}, start.addSecs(60 * minute), {}});
        queue.add({QStringLiteral("https://service.test/api_screenshot"), {}, start, QByteArray("jpeg")});
        QCOMPARE(posts, 0);
        QCOMPARE(queue.waitingCount(), ActivityFolder::WaitingMinutesLimit + 1);
        const QStringList dropped = capturedLog.mid(logged).filter(QStringLiteral("is dropped"));
        QCOMPARE(dropped.size(), 1);
        QVERIFY2(dropped.first().contains(QStringLiteral("minute of 10-12-2026-00-00-00")),
                 qPrintable(dropped.first()));
    }
};

QTEST_GUILESS_MAIN(TestUploadQueue)
#include "TestUploadQueue.moc"

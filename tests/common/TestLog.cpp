#include "common/Clock.h"
#include "common/Log.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Received
{
    QtMsgType type;
    QString text;
    bool emptyContext;
};

QList<Received> received;

void recordingHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    received.append({type, text, context.file == nullptr && context.line == 0 && context.function == nullptr});
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Makes a file of exactly \a size bytes without writing them (a sparse file).
void makeFileOfSize(const QString &path, qint64 size)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(size));
}

} // namespace

class TestLog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("log.log"));
        QFile::remove(m_path);
        received.clear();
        qInstallMessageHandler(recordingHandler);
        Log::install(Log::Echo::None);
    }

    void cleanup()
    {
        Log::uninstall();
        Log::close();
        qInstallMessageHandler(nullptr);
        Clock::reset();
    }

    void linesCarryLevelAndUtcTime_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("a clock three hours east of UTC")
            << QDateTime(QDate(2020, 5, 12), QTime(11, 24, 59), Qt::OffsetFromUTC, 3 * 3600)
            << QStringLiteral("2020-05-12T08:24:59Z");
        QTest::newRow("a clock west of UTC on the day before")
            << QDateTime(QDate(2020, 5, 11), QTime(22, 0, 1), Qt::OffsetFromUTC, -5 * 3600)
            << QStringLiteral("2020-05-12T03:00:01Z");
        QTest::newRow("a clock at UTC") << QDateTime(QDate(2021, 1, 2), QTime(3, 4, 5), Qt::UTC)
                                        << QStringLiteral("2021-01-02T03:04:05Z");
    }

    void linesCarryLevelAndUtcTime()
    {
        QFETCH(QDateTime, now);
        QFETCH(QString, stamp);
        Clock::setNow(now);
        QVERIFY(Log::open(m_path, 1000));

        qDebug() << "Monitor started";
        qWarning() << "Online state is " << true;
        qCritical("critical %d", 2);

        const QByteArray expected = "Message(0) at " + stamp.toLatin1() + ": Monitor started\n" + "Message(1) at " +
                                    stamp.toLatin1() + ": Online state is  true\n" + "Message(2) at " +
                                    stamp.toLatin1() + ": critical 2\n";
        QCOMPARE(readAll(m_path), expected);
    }

    void infoIsIgnoredEverywhere()
    {
        QVERIFY(Log::open(m_path, 1000));
        qInfo() << "not for the log";
        QCOMPARE(readAll(m_path), QByteArray());
        QVERIFY(received.isEmpty());
    }

    void lineFeedInsideAMessageIsKept()
    {
        Clock::setNow(QDateTime(QDate(2020, 5, 12), QTime(8, 0, 0), Qt::UTC));
        QVERIFY(Log::open(m_path, 1000));
        qDebug("first\nsecond");
        QCOMPARE(readAll(m_path), QByteArray("Message(0) at 2020-05-12T08:00:00Z: first\nsecond\n"));
    }

    void previousHandlerGetsTheMessageWithEmptyContext()
    {
        QVERIFY(Log::open(m_path, 1000));
        qWarning("passed on");
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.first().type, QtWarningMsg);
        QCOMPARE(received.first().text, QStringLiteral("passed on"));
        QVERIFY(received.first().emptyContext);
    }

    void aLogThatCannotBeOpenedStillPassesMessagesOn()
    {
        QVERIFY(!Log::open(m_dir.filePath(QStringLiteral("missing/folder/log.log")), 1000));
        qDebug("still here");
        QCOMPARE(received.size(), 1);

        Log::close();
        qDebug("after close");
        QCOMPARE(received.size(), 2);
    }

    void sizeLimit_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("kept");
        QTest::newRow("a file exactly at the limit is appended to") << qint64(104857600) << true;
        QTest::newRow("one byte over the limit is deleted") << qint64(104857601) << false;
        QTest::newRow("a small file is appended to") << qint64(10) << true;
    }

    void sizeLimit()
    {
        QFETCH(qint64, size);
        QFETCH(bool, kept);
        makeFileOfSize(m_path, size);
        QVERIFY(Log::open(m_path, 104857600));
        qDebug("after open");
        Log::close();

        const qint64 lineSize = QByteArray("Message(0) at 2020-05-12T08:00:00Z: after open\n").size();
        QCOMPARE(QFileInfo(m_path).size(), kept ? size + lineSize : lineSize);
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestLog)
#include "TestLog.moc"

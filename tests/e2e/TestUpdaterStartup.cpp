#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

// Start-up of the real TALV-update: its own log with the 10 MiB rule and the
// first lines it writes.
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
        QTest::newRow("no log yet, download mode") << qint64(-1) << QStringList() << false << QStringList{started};
        QTest::newRow("install-only mode")
            << qint64(-1) << QStringList{"--install-only"} << false << QStringList{started, "--install only"};
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

        QProcess updater;
        updater.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/TALV-update"), arguments);
        QVERIFY(updater.waitForFinished(20000));
        QCOMPARE(updater.exitStatus(), QProcess::NormalExit);
        QCOMPARE(updater.exitCode(), 0);
        QVERIFY(QFileInfo(dataFolder + QStringLiteral("/update")).isDir());

        QVERIFY(log.open(QIODevice::ReadOnly));
        if (kept)
            QVERIFY(log.seek(size));
        const QStringList written = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(written.size(), lines.size());
        const QRegularExpression line(QStringLiteral(R"(^Message\(0\) at \d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ: (.*)$)"));
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(line.match(written.at(i)).captured(1), lines.at(i));
    }
};

QTEST_GUILESS_MAIN(TestUpdaterStartup)
#include "TestUpdaterStartup.moc"

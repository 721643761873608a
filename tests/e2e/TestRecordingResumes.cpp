#include "support/ChildProcesses.h"
#include "support/DemoHome.h"
#include "support/StandInService.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>

// A user who was recording when the monitor last ended: the real TALV,
// started under an X server of its own against the stand-in service,
// resumes recording by itself and delivers a minute and a screenshot.
class TestRecordingResumes : public QObject
{
    Q_OBJECT

private slots:
    void minuteAndScreenshotArrive()
    {
        StandInService service;
        QVERIFY2(service.isRunning(), service.output().constData());
        service.exportAddress();

        QVERIFY(!DemoHome::signIn(QDir::homePath(), true).isEmpty());

        ChildProcesses processes;
        QProcess *talv = processes.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/TALV"), {}, QDir::homePath());
        QTRY_VERIFY_WITH_TIMEOUT(service.read(QStringLiteral("/control/activities")).size() >= 1 &&
                                     service.read(QStringLiteral("/control/screenshots")).size() >= 1,
                                 75000);
        QCOMPARE(talv->state(), QProcess::Running);

        const QJsonObject minute = service.read(QStringLiteral("/control/activities")).first().toObject();
        QCOMPARE(minute[QStringLiteral("task_id")].toString(), QStringLiteral("101"));
        QCOMPARE(minute[QStringLiteral("team_id")].toString(), QStringLiteral("17"));
        QImage picture;
        QVERIFY(picture.loadFromData(QByteArray::fromBase64(service.read(QStringLiteral("/control/screenshots"))
                                                                .first()[QStringLiteral("file")]
                                                                .toString()
                                                                .toLatin1())));
        QCOMPARE(picture.size(), QGuiApplication::primaryScreen()->virtualGeometry().size());

        talv->terminate();
        QVERIFY(talv->waitForFinished(20000));
        QCOMPARE(talv->exitCode(), 0);
    }
};

QTEST_MAIN(TestRecordingResumes)
#include "TestRecordingResumes.moc"

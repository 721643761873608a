#include "capture/UserActivityWatcher.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

bool moveMouse(int dx, int dy)
{
    return QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove_relative"), QStringLiteral("--"),
                                                         QString::number(dx), QString::number(dy)}) == 0;
}

} // namespace

// The real last-input service under an X server of its own, with input
// sent by xdotool.
class TestActivityWatcherX11 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The server's first reading counts from its start: one move first.
        QVERIFY(moveMouse(5, 5));
    }

    void inputIsSeenOnceAndStillnessNever()
    {
        UserActivityWatcher *watcher = UserActivityWatcher::instance();
        QVERIFY(moveMouse(3, 0)); // before start: not reported
        QVERIFY(watcher->start());
        QSignalSpy activity(watcher, &UserActivityWatcher::wasActivity);

        QTest::qWait(3000);
        QCOMPARE(activity.count(), 0);
        // Still for more than a second: polling waits for the next input.
        auto *timer = qobject_cast<QTimer *>(watcher->property("timer").value<QObject *>());
        QVERIFY(!timer->isActive());

        QVERIFY(moveMouse(0, 4));
        QTRY_COMPARE_WITH_TIMEOUT(activity.count(), 1, 5000);
        QVERIFY(timer->isActive());
        QTest::qWait(1000);
        QCOMPARE(activity.count(), 1);

        QVERIFY(moveMouse(-4, 0));
        QTRY_COMPARE_WITH_TIMEOUT(activity.count(), 2, 5000);
    }
};

QTEST_MAIN(TestActivityWatcherX11)
#include "TestActivityWatcherX11.moc"

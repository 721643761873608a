#include "capture/UserActivityWatcher.h"
#include "platform/Platform.h"
#include "platform/fake/FakeLastInput.h"

#include <QSignalSpy>
#include <QTimer>
#include <QTest>

using Reading = std::optional<qint64>;

Q_DECLARE_METATYPE(Reading)

// The poll rule over a last-input source set by hand: each poll is one call
// of emitWasActivity(), so no timing is involved.
class TestActivityWatcher : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        auto fake = std::make_unique<FakeLastInput>();
        m_input = fake.get();
        Platform::setLastInput(std::move(fake));
    }

    void cleanupTestCase() { Platform::setLastInput(nullptr); }

    void polls_data()
    {
        QTest::addColumn<qint64>("atStart");
        QTest::addColumn<QList<Reading>>("readings"); // one per poll
        QTest::addColumn<QList<int>>("counts");       // the signals so far, after each poll

        QTest::newRow("input between two polls gives one signal")
            << qint64(1000) << QList<Reading>{1000, 1500, 1500} << QList<int>{0, 1, 1};
        QTest::newRow("input in every poll gives one signal each")
            << qint64(1000) << QList<Reading>{1100, 1200, 1300} << QList<int>{1, 2, 3};
        QTest::newRow("no input gives none") << qint64(1000) << QList<Reading>{1000, 1000, 1000} << QList<int>{0, 0, 0};
        QTest::newRow("input before start is not reported")
            << qint64(5000) << QList<Reading>{5000, 5000} << QList<int>{0, 0};
        QTest::newRow("a wrapping counter reports nothing for that poll, then input as usual")
            << qint64(4294967000LL) << QList<Reading>{100, 100, 250} << QList<int>{0, 0, 1};
        QTest::newRow("a failed query is no input and keeps the baseline")
            << qint64(1000) << QList<Reading>{Reading(), 1000, 1100} << QList<int>{0, 0, 1};
    }

    void polls()
    {
        QFETCH(qint64, atStart);
        QFETCH(QList<Reading>, readings);
        QFETCH(QList<int>, counts);

        UserActivityWatcher *watcher = UserActivityWatcher::instance();
        m_input->value = atStart;
        QVERIFY(watcher->start());
        QCOMPARE(watcher->property("lastEventTicks").toLongLong(), atStart);
        QVERIFY(qobject_cast<QTimer *>(watcher->property("timer").value<QObject *>())->isActive());

        QSignalSpy activity(watcher, &UserActivityWatcher::wasActivity);
        for (int i = 0; i < readings.size(); ++i) {
            m_input->value = readings.at(i);
            watcher->emitWasActivity();
            QCOMPARE(activity.count(), counts.at(i));
        }
    }

    // While held, nothing is polled; after release only later input counts.
    void holdAndRelease()
    {
        UserActivityWatcher *watcher = UserActivityWatcher::instance();
        auto *polls = qobject_cast<QTimer *>(watcher->property("timer").value<QObject *>());
        m_input->value = 1000;
        QVERIFY(watcher->start());
        QSignalSpy activity(watcher, &UserActivityWatcher::wasActivity);

        watcher->hold();
        QVERIFY(!polls->isActive());
        m_input->value = 1500; // input during the hold
        watcher->release();
        QVERIFY(polls->isActive());
        watcher->emitWasActivity();
        QCOMPARE(activity.count(), 0);
        m_input->value = 1600;
        watcher->emitWasActivity();
        QCOMPARE(activity.count(), 1);

        // A release without a hold moves nothing: input since the last poll
        // is still reported.
        m_input->value = 1700;
        watcher->release();
        watcher->emitWasActivity();
        QCOMPARE(activity.count(), 2);
    }

    void unavailableDesktop()
    {
        m_input->available = false;
        QVERIFY(!UserActivityWatcher::instance()->start());
    }

private:
    FakeLastInput *m_input = nullptr;
};

QTEST_GUILESS_MAIN(TestActivityWatcher)
#include "TestActivityWatcher.moc"

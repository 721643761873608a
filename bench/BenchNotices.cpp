// A burst of notices, as after a first download following a long absence:
// 500 raised at once above a visible main window.
//
// burst500_responsive_ms: from the first notice raised until the event loop
//   runs a zero-delay timer again (popups created, shown or queued, painted).
// burst500_rss_mb: the process's resident memory then.
// baseline_rss_mb: the same before the burst.
// burst500_shown / burst500_queued: where the notices went.
//
// A team of 3000 tasks whose descriptions the stand-in service does not
// have, downloaded every minute for ten minutes as recording does (the
// clock is moved on, not waited for):
// team3000_10min_rss_mb: the process's resident memory after the ten minutes.
// team3000_requests_per_min: requests sent in each minute after the first
//   (nothing changes, so the goal is at most 2: the download and the time
//   sync); team3000_first_min_requests: those of the first minute.
// team3000_notices_waiting: notices shown or queued at the end.

#include "client/Velmora.h"
#include "common/Clock.h"
#include "notifications/NotificationManager.h"
#include "support/StandInService.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

namespace {

void quiet() {}

/// Runs the event loop until \a manager has finished every reply it started
/// (none for half a second).
void waitForReplies(QNetworkAccessManager *manager)
{
    int finished = -1;
    int seen = 0;
    QObject::connect(manager, &QNetworkAccessManager::finished, manager, [&seen] { ++seen; });
    while (finished != seen) {
        finished = seen;
        BenchSupport::settle(500);
    }
    QObject::disconnect(manager, &QNetworkAccessManager::finished, manager, nullptr);
}

QByteArray seedOf3000Tasks()
{
    QJsonArray tasks;
    for (int i = 0; i < 3000; ++i)
        tasks.append(QJsonObject{{"id", QString::number(10000 + i)},
                                 {"teams", QJsonArray{"30"}},
                                 {"title", QStringLiteral("Задача %1").arg(i)},
                                 {"deadline", "+3d 18:00:00"},
                                 {"block", "0"},
                                 {"last_comment", "-1d 09:15:00"},
                                 {"importance", 1}});
    return QJsonDocument(QJsonObject{{"accounts", QJsonArray{QJsonObject{{"email", "big@velmora.local"},
                                                                         {"password", "big"},
                                                                         {"teams", QJsonArray{"30"}}}}},
                                     {"teams", QJsonArray{QJsonObject{{"id", "30"}, {"name", "Большая команда"}}}},
                                     {"tasks", tasks}})
        .toJson();
}

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

void team3000(QTextStream &out)
{
    // Notices reach the popups, as in the program; log lines go nowhere.
    Notifier::install(NotificationManager::instance());
    qInstallMessageHandler(dropMessage);
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    const QString seed = home.filePath(QStringLiteral("seed.json"));
    QFile seedFile(seed);
    if (!seedFile.open(QIODevice::WriteOnly) || seedFile.write(seedOf3000Tasks()) < 0)
        return;
    seedFile.close();
    StandInService service({QStringLiteral("--seed"), seed});
    if (!service.isRunning()) {
        QTextStream(stderr) << "bench_notices: the service did not start\n" << service.output();
        return;
    }
    service.exportAddress();

    Velmora velmora;
    QNetworkAccessManager *network = velmora.findChild<QNetworkAccessManager *>();
    QSignalSpy signedIn(&velmora, &Velmora::loginOk);
    velmora.login(QStringLiteral("big@velmora.local"), QStringLiteral("big"));
    if (!signedIn.wait(20000))
        return;
    velmora.setTeamAndTask(QStringLiteral("30"), QStringLiteral("10000"));

    int requests = 0;
    QObject::connect(network, &QNetworkAccessManager::finished, &velmora, [&requests] { ++requests; });
    int firstMinute = 0;
    Clock::setNow(QDateTime::currentDateTime());
    for (int minute = 0; minute < 10; ++minute) {
        velmora.requestTeamsAndTasks();
        velmora.requestActiveTime(velmora.session()->taskID());
        waitForReplies(network);
        if (minute == 0) {
            firstMinute = requests;
            requests = 0;
        }
        Clock::advance(60 * 1000);
    }
    Clock::reset();
    qInstallMessageHandler(nullptr);
    NotificationManager *manager = NotificationManager::instance();
    out << "team3000_10min_rss_mb: " << QString::number(BenchSupport::rssMb(), 'f', 1) << '\n';
    out << "team3000_first_min_requests: " << firstMinute << '\n';
    out << "team3000_requests_per_min: " << QString::number(requests / 9.0, 'f', 1) << '\n';
    out << "team3000_notices_waiting: " << manager->shownForms().size() + manager->pendingNotices().size() << '\n';
}

} // namespace

using namespace BenchSupport;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    NotificationManager *manager = NotificationManager::instance();
    NotificationManager::setBeep(quiet);
    QWidget strip;
    strip.resize(392, 73);
    strip.show();
    manager->setMainForm(&strip);
    settle(200);
    const double baseline = rssMb();

    QElapsedTimer clock;
    clock.start();
    qint64 responsive = -1;
    QTimer::singleShot(0, [&] { responsive = clock.elapsed(); });
    for (int i = 0; i < 500; ++i)
        manager->addNotification(QStringLiteral("Задача номер %1 с длинным названием").arg(i), 3, QString::number(i));
    while (responsive < 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    settle(200);

    out << "burst500_responsive_ms: " << responsive << '\n';
    out << "burst500_rss_mb: " << QString::number(rssMb(), 'f', 1) << '\n';
    out << "baseline_rss_mb: " << QString::number(baseline, 'f', 1) << '\n';
    out << "burst500_shown: " << manager->shownForms().size() << '\n';
    out << "burst500_queued: " << manager->pendingNotices().size() << '\n';

    manager->showPendingForms();
    manager->deleteShownForms();
    settle(200);
    team3000(out);
    return 0;
}

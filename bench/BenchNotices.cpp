// A burst of notices, as after a first download following a long absence:
// 500 raised at once above a visible main window.
//
// burst500_responsive_ms: from the first notice raised until the event loop
//   runs a zero-delay timer again (popups created, shown or queued, painted).
// burst500_rss_mb: the process's resident memory then.
// baseline_rss_mb: the same before the burst.
// burst500_shown / burst500_queued: where the notices went.

#include "notifications/NotificationManager.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

namespace {

void quiet() {}

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
    return 0;
}

// The upload queue under load, against the stand-in service on loopback:
// a backlog of 1,000 and then 10,000 activity files is drained after one
// confirmed upload, and one 3840x1080 screenshot is prepared for sending.
//
// drain_1000_s, drain_10000_s: from the first confirmed upload until the
// folder is empty. drain_ratio near 10 means the cost per file does not grow
// with the backlog.
// screenshot_prepare_ms: JPEG encoding, the file, Base64 and the request
// body of one screenshot (the synchronous part of sendScreenshot).
// screenshot_peak_mb: how far the process's peak memory rose meanwhile.

#include "client/ActivityFolder.h"
#include "client/Velmora.h"
#include "support/StandInService.h"

#include "BenchSupport.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

namespace {

const QString user = QStringLiteral("bench@velmora.local");

/// Sleeps in the event loop until \a done holds (it changes only as events
/// are handled) or \a timeoutMs have passed. processEvents() with a time
/// limit never waits for events, so the benchmark used to spin meanwhile.
bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    QTimer wake; // the deadline is seen even when nothing else happens
    wake.start(100);
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

double drainSeconds(Velmora &velmora, QSignalSpy &finished, int backlog)
{
    const QString folder = velmora.dataFolder().filePath(user + QStringLiteral("/activity"));
    ActivityFolder queue;
    queue.setPath(folder);
    const QVariantMap body{
        {QStringLiteral("active"), QStringLiteral("3")},   {QStringLiteral("email"), user},
        {QStringLiteral("past"), QStringLiteral("0")},     {QStringLiteral("task_id"), QStringLiteral("101")},
        {QStringLiteral("team_id"), QStringLiteral("17")}, {QStringLiteral("version"), QStringLiteral("bench")}};
    for (int i = 0; i < backlog; ++i)
        queue.add({Velmora::serviceUrl() + QStringLiteral("/api_active2"), body, QDateTime::currentDateTime(), {}});

    finished.clear();
    QElapsedTimer timer;
    timer.start();
    velmora.sendActivity(1);
    if (!waitFor([&] { return finished.count() >= backlog + 1 && velmora.uploadsInFlight() == 0; }, 600000))
        return -1;
    const double seconds = timer.nsecsElapsed() / 1e9;
    const int left = QDir(folder).entryList({QStringLiteral("json*")}, QDir::Files).size();
    return left == 0 ? seconds : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    // Never the real data folder of whoever runs the benchmark.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral("1.1.0"));
    QTextStream out(stdout);

    StandInService service;
    if (!service.isRunning()) {
        QTextStream(stderr) << "bench_queue: the service did not start\n";
        return 1;
    }
    service.control(QStringLiteral("/control/account"),
                    {{QStringLiteral("email"), user}, {QStringLiteral("password"), QStringLiteral("bench")}});
    service.control(QStringLiteral("/control/member"),
                    {{QStringLiteral("email"), user}, {QStringLiteral("team_id"), QStringLiteral("17")}});
    qputenv("VELMORA_SERVICE_URL", service.baseUrl().toUtf8());
    qputenv("VELMORA_CA_FILE", service.caFile().toLocal8Bit());

    Velmora velmora;
    QSignalSpy loginOk(&velmora, &Velmora::loginOk);
    velmora.login(user, QStringLiteral("bench"));
    if (!loginOk.wait(20000)) {
        QTextStream(stderr) << "bench_queue: sign-in failed\n";
        return 1;
    }
    velmora.setTeamAndTask(QStringLiteral("17"), QStringLiteral("101"));
    qRegisterMetaType<QNetworkReply *>();
    QSignalSpy finished(velmora.findChild<QNetworkAccessManager *>(), &QNetworkAccessManager::finished);

    // A picture with detail, as a real desktop has, so that JPEG has work.
    QImage screen(3840, 1080, QImage::Format_RGB32);
    QPainter painter(&screen);
    for (int y = 0; y < screen.height(); y += 24) {
        for (int x = 0; x < screen.width(); x += 24)
            painter.fillRect(x, y, 24, 24, QColor::fromHsv((x / 24 * 7 + y / 24 * 13) % 360, 160, 220));
    }
    painter.setPen(Qt::black);
    for (int y = 12; y < screen.height(); y += 18)
        painter.drawText(10, y, QStringLiteral("Velmora Team Monitor — снимок экрана %1").arg(y).repeated(12));
    painter.end();

    const double rssBefore = BenchSupport::rssMb();
    QElapsedTimer timer;
    timer.start();
    velmora.sendScreenshot(screen);
    const double prepareMs = timer.nsecsElapsed() / 1e6;
    const double peak = BenchSupport::peakRssMb() - rssBefore;
    waitFor([&] { return velmora.uploadsInFlight() == 0; }, 60000);

    const double small = drainSeconds(velmora, finished, 1000);
    const double large = drainSeconds(velmora, finished, 10000);
    out << "drain_1000_s: " << small << '\n';
    out << "drain_10000_s: " << large << '\n';
    out << "drain_ratio: " << (small > 0 && large > 0 ? large / small : -1) << '\n';
    out << "screenshot_prepare_ms: " << prepareMs << '\n';
    out << "screenshot_peak_mb: " << peak << '\n';
    velmora.setSkipSaveOnExit(true);
    return 0;
}

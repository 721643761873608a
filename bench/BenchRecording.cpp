// A signed-in monitor recording under an X server, against the stand-in
// service: the real TALV resumes recording by itself, and after a warm-up
// its CPU time and memory are read from /proc over five minutes of
// recording with nobody at the desk and five more with steady input
// (BENCH_MINUTES changes the length of each). Then one grab of this display
// plus the preparation of its upload, in this process.
//
// cpu_ms_per_recorded_minute: user + system CPU time of TALV per minute
//   while nobody touches anything.
// cpu_ms_per_active_minute: the same over the next five minutes, with the
//   pointer moved every half second (xdotool), as by a person at work.
// rss_mb_after_5min: TALV's resident memory after the idle minutes.
// fully_active_minutes_received: minutes the service has with 10 active
//   ticks (the five active ones, and one that began idle, at most).
// grab_prepare_ms: grabDesktop() and the synchronous part of sendScreenshot.
// grab_prepare_peak_mb: how far the grab and its preparation raised this
//   process's peak resident memory.
// grab_desktop: the size of the grabbed desktop.
//
// Needs a display; scripts/bench provides two virtual 1920x1080 screens side
// by side (Xorg's dummy driver), or one 3840x1080 Xvfb screen without it.

#include "capture/ScreenCapture.h"
#include "client/Velmora.h"
#include "support/StandInService.h"
#include "support/XDoTool.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <unistd.h>

namespace {

void wait(int msecs)
{
    QEventLoop loop;
    QTimer::singleShot(msecs, &loop, &QEventLoop::quit);
    loop.exec();
}

/// User + system CPU time of process \a pid in milliseconds.
double cpuMs(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    // Fields 14 and 15 of the line (utime, stime) are 11 and 12 after the name.
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) * 1000.0 / sysconf(_SC_CLK_TCK);
}

/// A memory figure of process \a pid in MB: "VmRSS" (resident now) or
/// "VmHWM" (the most it was resident).
double memoryMb(qint64 pid, const QByteArray &field = "VmRSS")
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral("1.1.0"));
    QTextStream out(stdout);
    const int minutes = qEnvironmentVariableIsSet("BENCH_MINUTES") ? qEnvironmentVariableIntValue("BENCH_MINUTES") : 5;

    StandInService service;
    if (!service.isRunning()) {
        QTextStream(stderr) << "bench_recording: the service did not start\n";
        return 1;
    }
    QTemporaryDir home;
    const QString login = QStringLiteral("demo@velmora.local");
    QDir data(home.path() + QStringLiteral("/.velmora"));
    data.mkpath(login);
    QFile config(data.filePath(QStringLiteral("config.ini")));
    config.open(QIODevice::WriteOnly);
    config.write("[General]\nlastLogin=" + login.toUtf8() + '\n');
    config.close();
    QFile session(data.filePath(login + QStringLiteral("/session.ini")));
    session.open(QIODevice::WriteOnly);
    session.write("[General]\npassword=demo\nlogged=true\nactive=true\nteamID=17\ntaskID=101\nisOnline=true\n");
    session.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("VELMORA_SERVICE_URL"), service.baseUrl());
    environment.insert(QStringLiteral("VELMORA_CA_FILE"), service.caFile());
    QProcess talv;
    talv.setProcessEnvironment(environment);
    // BENCH_TALV measures another build's TALV beside this one.
    talv.setProgram(qEnvironmentVariableIsSet("BENCH_TALV") ? qEnvironmentVariable("BENCH_TALV")
                                                            : QStringLiteral(VELMORA_BINARY_DIR "/bin/TALV"));
    talv.setStandardOutputFile(QProcess::nullDevice());
    talv.start();
    if (!talv.waitForStarted()) {
        QTextStream(stderr) << "bench_recording: TALV did not start\n";
        return 1;
    }

    wait(20000); // start-up and the first requests
    const double cpuBefore = cpuMs(talv.processId());
    wait(minutes * 60000);
    const double cpuAfter = cpuMs(talv.processId());
    const double rss = memoryMb(talv.processId());

    // A person at work: the pointer moves every half second.
    QTimer input;
    bool right = true;
    QObject::connect(&input, &QTimer::timeout, [&right] {
        XDoTool::run({QStringLiteral("mousemove_relative"), QStringLiteral("--"), QString::number(right ? 3 : -3),
                      QStringLiteral("0")});
        right = !right;
    });
    input.start(500);
    wait(10000);
    const double activeBefore = cpuMs(talv.processId());
    wait(minutes * 60000);
    const double activeAfter = cpuMs(talv.processId());
    input.stop();
    const QJsonArray activities = service.read(QStringLiteral("/control/activities"));
    const int received = activities.size();
    int activeMinutes = 0;
    for (const QJsonValue &minute : activities)
        activeMinutes += minute[QStringLiteral("active")].toInt() == 10;
    talv.terminate();
    talv.waitForFinished(20000);

    // The grab and its upload preparation, here, on this display.
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("VELMORA_SERVICE_URL", service.baseUrl().toUtf8());
    qputenv("VELMORA_CA_FILE", service.caFile().toLocal8Bit());
    Velmora velmora;
    velmora.setSkipSaveOnExit(true);
    const double rssBeforeGrab = memoryMb(QCoreApplication::applicationPid());
    QElapsedTimer timer;
    timer.start();
    const QImage desktop = grabDesktop();
    velmora.sendScreenshot(desktop);
    const double grabMs = timer.nsecsElapsed() / 1e6;
    const double grabPeakMb = memoryMb(QCoreApplication::applicationPid(), "VmHWM") - rssBeforeGrab;

    out << "cpu_ms_per_recorded_minute: " << (cpuAfter - cpuBefore) / minutes << '\n';
    out << "cpu_ms_per_active_minute: " << (activeAfter - activeBefore) / minutes << '\n';
    out << "rss_mb_after_5min: " << rss << '\n';
    out << "recorded_minutes_received: " << received << '\n';
    out << "fully_active_minutes_received: " << activeMinutes << '\n';
    out << "grab_prepare_ms: " << grabMs << '\n';
    out << "grab_prepare_peak_mb: " << grabPeakMb << '\n';
    out << "grab_desktop: " << desktop.width() << 'x' << desktop.height() << '\n';
    return 0;
}

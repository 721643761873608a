// The team task list switched to a team of 500 tasks: one row widget with a
// label and a button per task.
//
// tasklist_500_build_ms: from the switch in the team box until the event
//   loop runs a zero-delay timer again (rows built, laid out and painted).
// tasklist_500_rss_mb: the process's resident memory then, and
// tasklist_500_above_baseline_mb: how much of it the 500 rows added to the
//   program with the list of a small team shown (baseline_rss_mb).
// tasklist_500_rebuild_ms: switching away and back once more;
// rss_after_rebuild_mb, rss_after_11_rebuilds_mb: memory after one and after
//   eleven such rebuilds (the rows of a cleared list must not pile up).

#include "client/Velmora.h"
#include "dialogs/TaskListForm.h"
#include "model/Session.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

namespace {

/// Milliseconds from choosing \a index in \a teams until the event loop
/// answers again.
qint64 switchTo(QComboBox *teams, int index)
{
    QElapsedTimer clock;
    clock.start();
    qint64 responsive = -1;
    QTimer::singleShot(0, [&] { responsive = clock.elapsed(); });
    teams->setCurrentIndex(index);
    while (responsive < 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return responsive;
}

Task task(int number)
{
    Task t;
    t.id = QString::number(1000 + number);
    t.title = QStringLiteral("Задача номер %1 с названием средней длины").arg(number);
    t.deadline = QDateTime(QDate(2026, 12, 1).addDays(number % 60), QTime(18, 0));
    t.block = QStringLiteral("0");
    return t;
}

} // namespace

using namespace BenchSupport;

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("VELMORA_SERVICE_URL", "https://127.0.0.1:9");
    QApplication app(argc, argv);
    QTextStream out(stdout);

    Velmora velmora;
    velmora.setSkipSaveOnExit(true);
    Velmora::Session *session = velmora.session();
    session->load(QStringLiteral("bench@velmora.local"), QStringLiteral("pw"));
    session->setOnline(false);
    session->setTeams(
        {{QStringLiteral("1"), QStringLiteral("Маленькая")}, {QStringLiteral("2"), QStringLiteral("Большая")}});
    session->setTasks(QStringLiteral("1"), {task(1), task(2), task(3), pseudoTask()});
    QList<Task> large;
    for (int i = 0; i < 500; ++i)
        large << task(i);
    large << pseudoTask();
    session->setTasks(QStringLiteral("2"), large);
    session->setTeamID(QStringLiteral("1"));

    QWidget strip;
    strip.resize(392, 73);
    TaskListForm list(&velmora, &strip);
    list.show();
    settle(300);
    const double baseline = rssMb();

    auto *teams = list.findChild<QComboBox *>(QStringLiteral("cbTeam"));
    const qint64 build = switchTo(teams, 1);
    settle(300);
    const double rss = rssMb();
    switchTo(teams, 0);
    const qint64 rebuild = switchTo(teams, 1);
    settle(300);
    const double rssAfterOne = rssMb();
    for (int i = 0; i < 10; ++i) {
        switchTo(teams, 0);
        switchTo(teams, 1);
        settle(300); // as between a user's switches: the cleared rows go
    }
    settle(300);

    out << "tasklist_500_build_ms: " << build << '\n';
    out << "tasklist_500_rss_mb: " << QString::number(rss, 'f', 1) << '\n';
    out << "tasklist_500_above_baseline_mb: " << QString::number(rss - baseline, 'f', 1) << '\n';
    out << "baseline_rss_mb: " << QString::number(baseline, 'f', 1) << '\n';
    out << "tasklist_500_rebuild_ms: " << rebuild << '\n';
    out << "tasklist_500_rows: " << list.findChild<QListWidget *>(QStringLiteral("listWidget"))->count() << '\n';
    out << "rss_after_rebuild_mb: " << QString::number(rssAfterOne, 'f', 1) << '\n';
    out << "rss_after_11_rebuilds_mb: " << QString::number(rssMb(), 'f', 1) << '\n';
    return 0;
}

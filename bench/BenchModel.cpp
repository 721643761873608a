// Prints the cost of one download of teams and tasks as the program handles
// it (parse the reply, store every team's tasks with the change comparison,
// store the team list, save the files), for a large and a small account, and
// the reader's speed against Qt's own JSON parser on the large reply.
//
// download_ratio near 10 means the work grows with the size of the download
// (the large account has ten times the tasks of the small one).
// parse_vs_qjsondocument is our parse time over QJsonDocument's: 2 would be
// half as fast.

#include "model/Json.h"
#include "model/Notifier.h"
#include "model/Session.h"
#include "model/TaskReader.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

constexpr int TasksPerTeam = 500;

class Owner final : public SessionOwner
{
public:
    QDir dataFolder() const override { return QDir(folder.path()); }
    void removeObsoleteFiles() override {}
    QTemporaryDir folder;
};

// Counts notices instead of logging each of them.
class NoticeCounter final : public Notifier
{
public:
    void addNotification(const QString &, int, const QString &) override { ++count; }
    int count = 0;
};

QByteArray dateTimeText(const QDateTime &dateTime)
{
    return dateTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
}

QByteArray reply(int teams, int round)
{
    QByteArray json = "[";
    for (int t = 0; t < teams; ++t) {
        if (t > 0)
            json += ',';
        json += "{\"id\":\"" + QByteArray::number(1000 + t) + "\",\"name\":\"Команда " + QByteArray::number(t) +
                "\",\"tasks\":[";
        for (int i = 0; i < TasksPerTeam; ++i) {
            if (i > 0)
                json += ',';
            const int id = t * TasksPerTeam + i;
            // Deadlines fall on a few dozen days; every task has its own
            // comment time. Every round brings a few changes, as real
            // downloads do.
            const bool changed = i % 50 == round % 50;
            const QDateTime deadline = QDateTime(QDate(2026, 11, 1), QTime(18, 0)).addDays((id + changed) % 60);
            const QDateTime comment =
                QDateTime(QDate(2026, 10, 1), QTime(0, 0)).addSecs(id * 97 + (changed ? round * 3600 : 0));
            json += "{\"id\":\"" + QByteArray::number(id) + "\",\"title\":\"Задача номер " + QByteArray::number(id) +
                    " \\\"важная\\\"\",\"deadline\":\"" + dateTimeText(deadline) + "\",\"block\":\"" +
                    QByteArray(i % 7 == 0 ? "1" : "0") + "\",\"last_comment\":\"" + dateTimeText(comment) +
                    "\",\"importance\":" + QByteArray::number(i % 5) + "}";
        }
        json += "]}";
    }
    return json + "]";
}

// What the client does with a teams-and-tasks reply.
void download(Session &session, TaskReader &reader, const QByteArray &body)
{
    const QVariantList teams = Json::parseUtf8(body).toList();
    QList<Team> teamList;
    for (const QVariant &entry : teams) {
        const QVariantMap team = entry.toMap();
        const QString id = team.value(QStringLiteral("id")).toString();
        if (id.isEmpty())
            continue;
        teamList.append({id, team.value(QStringLiteral("name")).toString()});
        QList<Task> tasks;
        const QVariantList taskObjects = team.value(QStringLiteral("tasks")).toList();
        for (const QVariant &task : taskObjects)
            tasks.append(reader.task(task.toMap()));
        tasks.append(pseudoTask());
        session.setTasks(id, tasks);
    }
    reader.nextReply();
    session.setTeams(teamList);
    session.save();
}

double bestMs(int runs, const std::function<void(int)> &work)
{
    double best = 1e300;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work(run);
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

// The steady state: the account's files exist, so every download compares.
double downloadMs(int teams)
{
    Owner owner;
    Session session(&owner, nullptr);
    session.load(QStringLiteral("bench@example.com"), QStringLiteral("secret"));
    TaskReader reader;
    download(session, reader, reply(teams, 0));
    download(session, reader, reply(teams, 1));
    QList<QByteArray> bodies;
    for (int round = 0; round < 5; ++round)
        bodies.append(reply(teams, 2 + round));
    return bestMs(bodies.size(), [&](int run) { download(session, reader, bodies.at(run)); });
}

/// The peak memory of handling a reply of about 20 MB, over what the
/// process held before; and the reply's size.
QPair<double, double> read20Mb()
{
    int teams = 1;
    while (reply(teams, 0).size() < 20 * 1024 * 1024)
        teams *= 2;
    while (reply(teams - 1, 0).size() >= 20 * 1024 * 1024)
        --teams;
    const QByteArray body = reply(teams, 0);
    Owner owner;
    Session session(&owner, nullptr);
    session.load(QStringLiteral("bench@example.com"), QStringLiteral("secret"));
    TaskReader reader;
    const double before = BenchSupport::rssMb();
    download(session, reader, body);
    return {BenchSupport::peakRssMb() - before, body.size() / (1024.0 * 1024.0)};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    NoticeCounter notices;
    Notifier::install(&notices);
    QTextStream out(stdout);

    // First, while the peak is still the start-up's.
    const QPair<double, double> read = read20Mb();
    out << "read_20mb_body_mb: " << QString::number(read.second, 'f', 1) << '\n';
    out << "read_20mb_peak_mb: " << QString::number(read.first, 'f', 1) << '\n';
    out << "read_20mb_peak_per_body: " << QString::number(read.first / read.second, 'f', 1) << '\n';

    const double large = downloadMs(50);
    const double small = downloadMs(5);
    out << "download_large_ms: " << large << '\n';
    out << "download_small_ms: " << small << '\n';
    out << "download_ratio: " << large / small << '\n';

    const QByteArray body = reply(50, 0);
    const QString text = QString::fromUtf8(body);
    const double ours = bestMs(5, [&](int) { Json::parse(text); });
    const double theirs = bestMs(5, [&](int) { QJsonDocument::fromJson(body); });
    out << "parse_ms: " << ours << '\n';
    out << "qjsondocument_ms: " << theirs << '\n';
    out << "parse_vs_qjsondocument: " << ours / theirs << '\n';
    return 0;
}

// Loads the stand-in service the way many monitors would: 20 clients, each
// posting 1,000 activity bodies over its own HTTPS connection, all at once.
// Then reads back what the service stored.
//
// service_load_rps: bodies answered per second, over the whole run.
// service_load_lost: bodies confirmed but not stored (must be 0).
// service_load_duplicates: bodies stored more than once (must be 0).
// service_load_failed: bodies the service did not confirm.

#include "support/StandInService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTextStream>
#include <QUrl>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

constexpr int Clients = 20;
constexpr int BodiesPerClient = 1000;
constexpr auto TimeLimit = std::chrono::seconds(240);

std::string body(int client, int index)
{
    const QJsonObject activity{{QStringLiteral("active"), QString::number(index % 11)},
                               {QStringLiteral("email"), QStringLiteral("demo@velmora.local")},
                               {QStringLiteral("past"), QString::number(index)},
                               {QStringLiteral("task_id"), QStringLiteral("101")},
                               {QStringLiteral("team_id"), QStringLiteral("17")},
                               {QStringLiteral("version"), QStringLiteral("bench-%1").arg(client)}};
    const QByteArray encoded =
        "data=" + QUrl::toPercentEncoding(QJsonDocument(QJsonArray{activity}).toJson(QJsonDocument::Compact));
    return encoded.toStdString();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    StandInService service;
    if (!service.isRunning()) {
        QTextStream(stderr) << "bench_service: the service did not start\n";
        return 1;
    }
    const int port = QUrl(service.baseUrl()).port();
    const std::string caFile = service.caFile().toStdString();

    std::atomic<int> confirmed{0};
    std::atomic<int> failed{0};
    const auto deadline = std::chrono::steady_clock::now() + TimeLimit;
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> clients;
    for (int c = 0; c < Clients; ++c) {
        clients.emplace_back([&, c] {
            httplib::SSLClient client("127.0.0.1", port);
            client.set_ca_cert_path(caFile.c_str());
            client.enable_server_certificate_verification(true);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            client.set_connection_timeout(10);
            client.set_read_timeout(10);
            for (int i = 0; i < BodiesPerClient; ++i) {
                if (std::chrono::steady_clock::now() > deadline) {
                    failed += BodiesPerClient - i;
                    return;
                }
                const auto result = client.Post("/api_active2", body(c, i), "application/x-www-form-urlencoded");
                if (result && result->status == 200 && result->body == "{\"status\":\"ok\"}")
                    ++confirmed;
                else
                    ++failed;
            }
        });
    }
    for (std::thread &client : clients)
        client.join();
    const double seconds = timer.nsecsElapsed() / 1e9;

    httplib::SSLClient reader("127.0.0.1", port);
    reader.set_ca_cert_path(caFile.c_str());
    reader.enable_server_certificate_verification(true);
    reader.set_read_timeout(60);
    const auto stored = reader.Get("/control/activities");
    QSet<QString> distinct;
    int rows = 0;
    if (stored && stored->status == 200) {
        const QJsonArray activities = QJsonDocument::fromJson(QByteArray::fromStdString(stored->body)).array();
        for (const QJsonValue &row : activities) {
            const QString version = row[QStringLiteral("version")].toString();
            if (!version.startsWith(QLatin1String("bench-")))
                continue;
            ++rows;
            distinct.insert(version + QLatin1Char('/') + QString::number(row[QStringLiteral("past")].toInt()));
        }
    }
    service.stop();

    out << "service_load_rps: " << (confirmed + failed) / seconds << '\n';
    out << "service_load_lost: " << confirmed - distinct.size() << '\n';
    out << "service_load_duplicates: " << rows - distinct.size() << '\n';
    out << "service_load_failed: " << failed << '\n';
    return 0;
}

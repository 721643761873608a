// velmora-service: a stand-in for the Velmora web service, for tests and for
// running the monitor without the real service. HTTPS on 127.0.0.1 only,
// data in SQLite.

#include "Certificates.h"
#include "ControlApi.h"
#include "Database.h"
#include "ServiceApi.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <thread>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "velmora-service: %s\n", qPrintable(message));
    return 1;
}

QJsonObject readSeed(const QString &path, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read the seed file ") + path;
        return QJsonObject();
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!document.isObject())
        error = QStringLiteral("the seed file ") + path + QStringLiteral(" is not a JSON object: ") +
                parseError.errorString();
    return document.object();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora-service"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A stand-in for the Velmora web service: the paths the monitor and its updater use, over HTTPS on\n"
        "127.0.0.1, with the data in an SQLite file. A new data folder is filled from the seed (the built-in\n"
        "demo account demo@velmora.local, password demo, unless --seed names another file).\n"
        "Without --cert and --key it creates a private certificate authority in the data folder and\n"
        "prints the path of its certificate; give that to the monitor as VELMORA_CA_FILE.\n\n"
        "Run it alone:\n"
        "  build/bin/velmora-service --data /tmp/velmora-service --port 8443\n"
        "  VELMORA_CA_FILE=/tmp/velmora-service/ca.pem build/bin/TALV"));
    parser.addHelpOption();
    const QString defaultData =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/velmora-service");
    const QCommandLineOption dataOption(
        QStringLiteral("data"),
        QStringLiteral("Folder for the database and certificates (default: %1).").arg(defaultData),
        QStringLiteral("folder"), defaultData);
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port on 127.0.0.1; 0 picks a free one (default: 8443)."),
                                        QStringLiteral("port"), QStringLiteral("8443"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed file (JSON) for a new database."),
                                        QStringLiteral("file"));
    const QCommandLineOption certOption(QStringLiteral("cert"), QStringLiteral("Server certificate (PEM)."),
                                        QStringLiteral("file"));
    const QCommandLineOption keyOption(QStringLiteral("key"), QStringLiteral("Server key (PEM)."),
                                       QStringLiteral("file"));
    const QCommandLineOption controlOption(QStringLiteral("control"),
                                           QStringLiteral("Serve the test-control paths under /control/."));
    parser.addOptions({dataOption, portOption, seedOption, certOption, keyOption, controlOption});
    parser.process(app);

    bool portOk = false;
    const int port = parser.value(portOption).toInt(&portOk);
    if (!portOk || port < 0 || port > 65535)
        return fail(QStringLiteral("the port must be a number from 0 to 65535, not ") + parser.value(portOption));
    if (parser.isSet(certOption) != parser.isSet(keyOption))
        return fail(QStringLiteral("--cert and --key go together"));

    const QString dataFolder = QDir(parser.value(dataOption)).absolutePath();
    if (!QDir().mkpath(dataFolder))
        return fail(QStringLiteral("cannot create the data folder ") + dataFolder);
    QFile::setPermissions(dataFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    Database database;
    QString error;
    if (!database.open(QDir(dataFolder).filePath(QStringLiteral("service.db")), error))
        return fail(QStringLiteral("cannot open the database: ") + error);
    if (database.isEmpty()) {
        const QString seedFile = parser.isSet(seedOption) ? parser.value(seedOption) : QStringLiteral(":/demo.json");
        const QJsonObject seed = readSeed(seedFile, error);
        if (!error.isEmpty() || !database.seed(seed, QDateTime::currentDateTime(), error))
            return fail(QStringLiteral("cannot seed the database: ") + error);
    }

    Certificates certificates;
    if (parser.isSet(certOption)) {
        certificates.certFile = parser.value(certOption);
        certificates.keyFile = parser.value(keyOption);
    } else if (!Certificates::ensure(dataFolder, certificates, error)) {
        return fail(error);
    }

    // Signals are taken by one thread of ours (below), never by the server's.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    httplib::SSLServer server(QFile::encodeName(certificates.certFile).constData(),
                              QFile::encodeName(certificates.keyFile).constData());
    if (!server.is_valid())
        return fail(QStringLiteral("cannot use the certificate ") + certificates.certFile);
    server.new_task_queue = [] { return new httplib::ThreadPool(32); };
    server.set_keep_alive_max_count(1000);
    // An idle connection holds a worker until this passes, and stopping the
    // server waits for every worker.
    server.set_keep_alive_timeout(1);
    // Headers and body go out as separate writes; without this, Nagle's
    // rule and delayed acknowledgements hold each answer back for ~40 ms.
    server.set_tcp_nodelay(true);
    server.set_payload_max_length(64u << 20);

    ServiceApi service(database, QDir(dataFolder).filePath(QStringLiteral("update-files")));
    service.install(server);
    ControlApi control(database, service);
    if (parser.isSet(controlOption))
        control.install(server);

    const char *const host = "127.0.0.1";
    const int boundPort = port == 0 ? server.bind_to_any_port(host) : (server.bind_to_port(host, port) ? port : -1);
    if (boundPort < 0)
        return fail(QStringLiteral("cannot listen on %1:%2").arg(QLatin1String(host)).arg(port));
    service.setBaseUrl(QStringLiteral("https://127.0.0.1:%1").arg(boundPort));

    std::thread signalWatcher([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        service.stop();
        server.stop();
    });

    std::printf("velmora-service listening on https://127.0.0.1:%d\n", boundPort);
    if (!certificates.caFile.isEmpty())
        std::printf("CA certificate: %s\n", qPrintable(certificates.caFile));
    std::fflush(stdout);

    const bool listened = server.listen_after_bind();
    if (!listened)
        pthread_kill(signalWatcher.native_handle(), SIGTERM);
    signalWatcher.join();
    database.close();
    std::printf("velmora-service stopped\n");
    return listened ? 0 : 1;
}

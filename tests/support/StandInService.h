#pragma once

// Runs the real velmora-service on a free loopback port for a test, and
// talks to it over HTTPS with its private CA trusted (certificate checks on).

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrlQuery>

#include <memory>

/// One finished HTTPS exchange.
struct HttpsReply
{
    int status = 0;
    QByteArray body;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;

    QJsonDocument json() const { return QJsonDocument::fromJson(body); }
};

/// A QNetworkAccessManager that trusts the system's CAs plus \a caFile, and
/// waits for each reply.
class HttpsClient
{
public:
    explicit HttpsClient(const QString &caFile = QString())
    {
        m_ssl = QSslConfiguration::defaultConfiguration();
        if (!caFile.isEmpty()) {
            QList<QSslCertificate> authorities = m_ssl.caCertificates();
            authorities += QSslCertificate::fromPath(caFile);
            m_ssl.setCaCertificates(authorities);
        }
    }

    HttpsReply get(const QUrl &url, int transferTimeoutMs = 20000)
    {
        return run(url, QByteArray(), false, transferTimeoutMs);
    }

    HttpsReply post(const QUrl &url, const QByteArray &body, int transferTimeoutMs = 20000)
    {
        return run(url, body, true, transferTimeoutMs);
    }

private:
    HttpsReply run(const QUrl &url, const QByteArray &body, bool post, int transferTimeoutMs)
    {
        QNetworkRequest request(url);
        request.setSslConfiguration(m_ssl);
        request.setTransferTimeout(transferTimeoutMs);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
        QNetworkReply *reply = post ? m_manager.post(request, body) : m_manager.get(request);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        HttpsReply result;
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.body = reply->readAll();
        result.error = reply->error();
        reply->deleteLater();
        return result;
    }

    QNetworkAccessManager m_manager;
    QSslConfiguration m_ssl;
};

/// velmora-service started with a data folder of its own (or a given one),
/// port 0 and the control paths on; stopped with SIGTERM when destroyed.
class StandInService
{
public:
    explicit StandInService(const QStringList &extraArguments = {}, const QString &dataFolder = QString())
        : m_dataFolder(dataFolder.isEmpty() ? m_ownFolder.path() : dataFolder)
        , m_arguments(extraArguments)
    {
        start(QStringLiteral("0"));
        m_client = std::make_unique<HttpsClient>(caFile());
    }

    /// Stops the service and starts it again on the same port and data.
    bool restart()
    {
        const QString port = QUrl(m_baseUrl).port() > 0 ? QString::number(QUrl(m_baseUrl).port()) : QStringLiteral("0");
        stop();
        start(port);
        return isRunning();
    }

    ~StandInService() { stop(); }

    bool isRunning() const { return !m_baseUrl.isEmpty() && m_process.state() == QProcess::Running; }
    QString baseUrl() const { return m_baseUrl; }
    QString dataFolder() const { return m_dataFolder; }
    QString caFile() const { return m_dataFolder + QStringLiteral("/ca.pem"); }
    HttpsClient &client() { return *m_client; }

    QUrl url(const QString &path, const QList<QPair<QString, QString>> &items = {}) const
    {
        QUrl result(m_baseUrl + path);
        if (!items.isEmpty()) {
            QStringList pairs;
            for (const auto &item : items)
                pairs << QString::fromLatin1(QUrl::toPercentEncoding(item.first) + '=' +
                                             QUrl::toPercentEncoding(item.second));
            result.setQuery(pairs.join(QLatin1Char('&')), QUrl::StrictMode);
        }
        return result;
    }

    /// Points this process, and the programs it starts, at this service:
    /// VELMORA_SERVICE_URL and VELMORA_CA_FILE.
    void exportAddress() const
    {
        qputenv("VELMORA_SERVICE_URL", m_baseUrl.toUtf8());
        qputenv("VELMORA_CA_FILE", caFile().toLocal8Bit());
    }

    /// POSTs \a body to a control path; true when the service accepted it.
    bool control(const QString &path, const QJsonObject &body)
    {
        return m_client->post(url(path), QJsonDocument(body).toJson(QJsonDocument::Compact)).status == 200;
    }

    /// GETs a control path's JSON array.
    QJsonArray read(const QString &path) { return m_client->get(url(path)).json().array(); }

    /// Ends the service with SIGTERM; its exit code (-1 when it crashed or
    /// did not end).
    int stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return m_exitCode;
        m_process.terminate();
        if (!m_process.waitForFinished(15000)) {
            m_process.kill();
            m_process.waitForFinished();
            return m_exitCode = -1;
        }
        m_output += m_process.readAll();
        return m_exitCode = m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    QByteArray output() const { return m_output; }

private:
    void start(const QString &port)
    {
        m_baseUrl.clear();
        m_output.clear();
        m_process.setProgram(QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora-service"));
        m_process.setArguments(QStringList{QStringLiteral("--data"), m_dataFolder, QStringLiteral("--port"), port,
                                           QStringLiteral("--control")} +
                               m_arguments);
        m_process.start();
        static const QRegularExpression listening(QStringLiteral("listening on (https://127\\.0\\.0\\.1:\\d+)"));
        while (m_baseUrl.isEmpty() && m_process.waitForReadyRead(15000)) {
            m_output += m_process.readAllStandardOutput();
            const QRegularExpressionMatch match = listening.match(QString::fromUtf8(m_output));
            if (match.hasMatch())
                m_baseUrl = match.captured(1);
        }
    }

    QTemporaryDir m_ownFolder;
    QString m_dataFolder;
    QStringList m_arguments;
    QProcess m_process;
    QByteArray m_output;
    QString m_baseUrl;
    int m_exitCode = -1;
    std::unique_ptr<HttpsClient> m_client;
};

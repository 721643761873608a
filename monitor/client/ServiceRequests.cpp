#include "client/ServiceRequests.h"

#include "client/LogText.h"
#include "common/TlsTrust.h"
#include "model/Session.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

constexpr int DefaultTransferTimeout = 60000;
int transferTimeoutMs = DefaultTransferTimeout;

// Far above a real download of fifty teams (a few megabytes), far below
// what would hurt: a larger reply is refused unread.
constexpr qint64 DefaultReplyLimit = 32 * 1024 * 1024;
qint64 replyLimitBytes = DefaultReplyLimit;

} // namespace

ServiceRequests::ServiceRequests(QNetworkAccessManager *network)
    : m_network(network)
    , m_ssl(TlsTrust::configuration())
{}

QString ServiceRequests::serviceUrl()
{
    const QString overridden = qEnvironmentVariable("VELMORA_SERVICE_URL");
    return overridden.isEmpty() ? QStringLiteral(VELMORA_SERVICE_URL) : overridden;
}

QString ServiceRequests::loggedUrl(const QUrl &url)
{
    return LogText::withoutPasswords(url.toString());
}

QUrl ServiceRequests::url(const QString &path, const QueryItems &items)
{
    QUrl url(serviceUrl() + path);
    // Every value fully percent-encoded: a "+" left as it is would reach the
    // service as a blank.
    QByteArray query;
    for (const auto &item : items) {
        if (!query.isEmpty())
            query.append('&');
        query.append(QUrl::toPercentEncoding(item.first) + '=' + QUrl::toPercentEncoding(item.second));
    }
    if (!items.isEmpty())
        url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

ServiceRequests::QueryItems ServiceRequests::credentials(const Session *session)
{
    // The password goes through UTF-8 as a C string: it ends at a zero.
    return {{QStringLiteral("login"), session->login()},
            {QStringLiteral("password"), QString::fromUtf8(session->password().toUtf8().constData())}};
}

int ServiceRequests::transferTimeout()
{
    return transferTimeoutMs;
}

void ServiceRequests::setTransferTimeout(int msecs)
{
    transferTimeoutMs = msecs > 0 ? msecs : DefaultTransferTimeout;
}

qint64 ServiceRequests::replyLimit()
{
    return replyLimitBytes;
}

void ServiceRequests::setReplyLimit(qint64 bytes)
{
    replyLimitBytes = bytes > 0 ? bytes : DefaultReplyLimit;
}

QNetworkReply *ServiceRequests::get(const QUrl &url, int stage)
{
    return tagged(m_network->get(request(url)), stage);
}

QNetworkReply *ServiceRequests::post(const QUrl &url, const QByteArray &body, int stage)
{
    QNetworkRequest form = request(url);
    form.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    return tagged(m_network->post(form, body), stage);
}

QNetworkRequest ServiceRequests::request(const QUrl &url) const
{
    QNetworkRequest request(url);
    request.setSslConfiguration(m_ssl);
    request.setTransferTimeout(transferTimeoutMs);
    return request;
}

QNetworkReply *ServiceRequests::tagged(QNetworkReply *reply, int stage) const
{
    reply->setProperty("stage", stage);
    // A body that grows past the limit is not downloaded any further.
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        const qint64 size = qMax(received, total);
        if (size > replyLimitBytes && !reply->property("tooLarge").isValid()) {
            reply->setProperty("tooLarge", size);
            reply->abort();
        }
    });
    return reply;
}

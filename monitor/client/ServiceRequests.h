#pragma once

#include <QList>
#include <QPair>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>

class QByteArray;
class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class Session;

/// Builds and sends the service's requests: the service's address, query
/// values fully percent-encoded, certificates verified (the system's
/// authorities, plus those in the PEM file named by VELMORA_CA_FILE), a
/// transfer timeout on every request and a cap on every reply body.
///
/// Each reply carries the kind of request it answers in its "stage"
/// property, and "tooLarge" (the size seen) when its download was stopped
/// at the cap.
class ServiceRequests
{
public:
    using QueryItems = QList<QPair<QString, QString>>;

    explicit ServiceRequests(QNetworkAccessManager *network);

    /// The service's base URL: the build's constant, or the environment
    /// variable VELMORA_SERVICE_URL when it is set.
    static QString serviceUrl();
    /// \a url as it may be logged: the value of "password" is "***".
    static QString loggedUrl(const QUrl &url);
    /// The service's address \a path with the query \a items.
    static QUrl url(const QString &path, const QueryItems &items = {});
    /// The query items that sign a request in as the user of \a session.
    static QueryItems credentials(const Session *session);

    /// How long a request may go without any bytes moving before it fails
    /// as a network error (milliseconds).
    static int transferTimeout();
    /// Changes transferTimeout() (tests); 0 restores the default.
    static void setTransferTimeout(int msecs);
    /// The largest reply body read (bytes); a larger reply is refused unread
    /// and changes nothing.
    static qint64 replyLimit();
    /// Changes replyLimit() (tests); 0 restores the default.
    static void setReplyLimit(qint64 bytes);

    QNetworkReply *get(const QUrl &url, int stage);
    /// Posts \a body as a form.
    QNetworkReply *post(const QUrl &url, const QByteArray &body, int stage);

private:
    QNetworkRequest request(const QUrl &url) const;
    /// Tags \a reply with its stage and stops its download when the body
    /// grows past replyLimit().
    QNetworkReply *tagged(QNetworkReply *reply, int stage) const;

    QNetworkAccessManager *m_network;
    QSslConfiguration m_ssl;
};

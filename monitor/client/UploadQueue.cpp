#include "client/UploadQueue.h"

#include "client/LogText.h"
#include "common/Clock.h"
#include "model/Json.h"
#include "model/NotificationType.h"
#include "model/Notifier.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace {

using Json::text;

/// The content of queue file \a file, or empty when it is too large to be one
/// of ours (then \a head holds its first bytes for the log).
QVariantMap readQueueFile(QFile &file, QByteArray &head)
{
    // A queue file holds one report and names its screenshot: a few hundred
    // bytes. Anything far larger is not one of ours.
    if (file.size() > ActivityFolder::FileSizeLimit) {
        head = file.read(LogText::BodyBytes);
        return QVariantMap();
    }
    head = file.readAll();
    return Json::parseUtf8(head).toMap();
}

} // namespace

UploadQueue::UploadQueue(Poster post, QObject *parent)
    : QObject(parent)
    , m_post(std::move(post))
{
    // Reports the disk refused are tried again every minute, recording or not.
    m_retryWrites = new QTimer(this);
    m_retryWrites->setInterval(60000);
    connect(m_retryWrites, &QTimer::timeout, this, &UploadQueue::writeWaiting);
}

UploadQueue::~UploadQueue()
{
    if (!m_folder.writeWaiting())
        qWarning() << "Error!" << m_folder.waitingCount() << "reports could not be saved before the exit: lost";
}

void UploadQueue::setFolder(const QString &path)
{
    m_folder.setPath(path);
}

void UploadQueue::add(const ActivityFolder::Report &report)
{
    const QString file = m_folder.add(report);
    if (m_folder.waitingCount() > 0 && !m_retryWrites->isActive())
        m_retryWrites->start();
    if (!file.isEmpty())
        send(file);
}

void UploadQueue::writeWaiting()
{
    if (!m_folder.writeWaiting())
        return;
    m_retryWrites->stop();
    // What was just written goes out with the next round.
    if (m_inFlight == 0) {
        m_mayStartRound = true;
        sendNext();
    }
}

bool UploadQueue::send(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    ++m_inFlight;
    QByteArray content;
    const QVariantMap activity = readQueueFile(file, content);
    file.close();
    const QString apiUrl = text(activity, "api-url");
    if (apiUrl.isEmpty()) {
        // Never deleted: kept aside for support, and never tried again.
        qDebug() << "Error!  Invalid activity file! " << LogText::body(content);
        m_folder.setAside(path, content);
        ended();
        return false;
    }

    QVariantMap body = activity.value(QStringLiteral("body")).toMap();
    const QDateTime written = QDateTime::fromString(text(activity, "timestamp"), ActivityFolder::timeForm());
    const qint64 past = text(body, "past").toLongLong() + (written.isValid() ? written.secsTo(Clock::now()) : 0);
    body.insert(QStringLiteral("past"), QString::number(past));
    if (activity.contains(QStringLiteral("version")) && body.contains(QStringLiteral("fileName"))) {
        QFile screenshot(text(body, "fileName"));
        if (screenshot.open(QIODevice::ReadOnly))
            body.insert(QStringLiteral("file"), QString::fromLatin1(screenshot.readAll().toBase64()));
        else
            qDebug() << "Error! Screenshot can't be opened: " << text(body, "fileName");
    }

    qDebug().noquote() << LogText::withoutPasswords(apiUrl);
    for (auto it = body.cbegin(); it != body.cend(); ++it) {
        if (it.key() != QLatin1String("file"))
            qDebug().noquote() << it.key() + QStringLiteral(": ") + it.value().toString();
    }
    if (body.contains(QStringLiteral("fileName")) && text(body, "fileName").isEmpty()) {
        qDebug() << "Error! Screenshot is missed!";
        Notifier::raise(QStringLiteral("Сделать снимок экрана не удалось. Свяжитесь с техподдержкой."), Message);
    }

    m_post(QUrl(apiUrl), "data=" + QUrl::toPercentEncoding(Json::serialize(QVariantList{body})), path);
    return true;
}

void UploadQueue::confirmed(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        QByteArray content;
        const QVariantMap body = readQueueFile(file, content).value(QStringLiteral("body")).toMap();
        file.close();
        if (!text(body, "fileName").isEmpty())
            QFile::remove(text(body, "fileName"));
    }
    QFile::remove(path);
    ended();
}

bool UploadQueue::confirms(const QUrl &url, const QByteArray &body)
{
    // The path decides: a service address with a port has no host directly
    // followed by the path.
    if (url.path().endsWith(QLatin1String("/api_active2"))) {
        const QString status = text(Json::parseUtf8As(body, QMetaType::QVariantMap).toMap(), "status");
        if (status != QLatin1String("ok"))
            return false;
        qDebug() << "Activity sended " << status;
        return true;
    }
    if (body != "ok")
        return false;
    qDebug() << "ver 1.0 activity sended " << body;
    return true;
}

void UploadQueue::ended()
{
    if (--m_inFlight == 0) {
        // Through the event loop: a run of invalid files is walked without
        // growing the stack.
        m_mayStartRound = true;
        QTimer::singleShot(0, this, &UploadQueue::sendNext);
    }
}

void UploadQueue::failed(bool refused)
{
    --m_inFlight;
    // A file the service refuses would otherwise stay at the head of the
    // queue and hold back every file behind it. So a refusal moves on to the
    // next file of the current round; the refused one is tried again in a
    // later round. A network failure stops the drain until an upload gets
    // through again.
    if (refused && m_inFlight == 0) {
        m_mayStartRound = false;
        QTimer::singleShot(0, this, &UploadQueue::sendNext);
    }
}

void UploadQueue::sendNext()
{
    if (m_inFlight > 0)
        return;
    m_folder.writeWaiting();
    QString file = m_folder.next();
    if (file.isEmpty() && m_mayStartRound) {
        // A new round starts only after a confirmed upload, so refused files
        // are tried once per round, never in a tight loop.
        m_folder.startRound();
        file = m_folder.next();
    }
    if (file.isEmpty())
        return;
    qDebug() << "file prepared:" << QFileInfo(file).fileName();
    send(file);
}

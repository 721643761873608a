#include "client/ActivityFolder.h"

#include "model/Json.h"
#include "model/NotificationType.h"
#include "model/Notifier.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QRandomGenerator>
#include <QTemporaryFile>

#include <algorithm>

namespace {

QString randomSuffix()
{
    static const QString characters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix.append(characters.at(QRandomGenerator::global()->bounded(characters.size())));
    return suffix;
}

} // namespace

QString ActivityFolder::timeForm()
{
    return QStringLiteral("dd-MM-yyyy-hh-mm-ss");
}

QString ActivityFolder::damagedFolderName()
{
    return QStringLiteral("damaged");
}

void ActivityFolder::setPath(const QString &path)
{
    if (path == m_dir.path())
        return;
    m_dir.setPath(path);
    m_round.clear();
}

QString ActivityFolder::add(const Report &report)
{
    if (writeWaiting()) {
        const QString written = write(report);
        if (!written.isEmpty())
            return written;
        Notifier::raise(QStringLiteral("Не удаётся сохранить запись активности на диск. Она хранится в памяти и "
                                       "будет сохранена, когда место освободится"),
                        Message);
    }
    keepWaiting(report);
    return QString();
}

bool ActivityFolder::writeWaiting()
{
    if (m_waiting.isEmpty())
        return true;
    while (!m_waiting.isEmpty()) {
        if (write(m_waiting.first()).isEmpty())
            return false;
        m_waiting.removeFirst();
    }
    qWarning() << "The activity kept in memory is written to" << m_dir.path();
    Notifier::raise(QStringLiteral("Запись активности снова сохраняется на диск"), Message);
    return true;
}

void ActivityFolder::keepWaiting(const Report &report)
{
    // Minutes and screenshots each have their own bound: a day of pictures
    // must not push out a single minute.
    const bool screenshot = !report.jpeg.isEmpty();
    const auto sameKind = [screenshot](const Report &other) { return other.jpeg.isEmpty() != screenshot; };
    const int limit = screenshot ? WaitingScreenshotsLimit : WaitingMinutesLimit;
    if (std::count_if(m_waiting.cbegin(), m_waiting.cend(), sameKind) >= limit) {
        for (int i = 0; i < m_waiting.size(); ++i) {
            if (sameKind(m_waiting.at(i))) {
                qWarning().noquote() << "Error! Memory holds no more unsaved activity: the"
                                     << (screenshot ? "screenshot" : "minute") << "of"
                                     << m_waiting.at(i).time.toString(timeForm()) << "is dropped";
                m_waiting.removeAt(i);
                break;
            }
        }
    }
    qWarning().noquote() << "Error! The activity of" << report.time.toString(timeForm()) << "cannot be written to"
                         << m_dir.path() << "and waits in memory";
    m_waiting.append(report);
}

QString ActivityFolder::write(const Report &report)
{
    // The folder may have gone since sign-in: made again first.
    if (!m_dir.exists() && !QDir().mkpath(m_dir.path()))
        return QString();
    const QString timestamp = report.time.toString(timeForm());
    if (report.jpeg.isEmpty())
        return writeFile(report.apiUrl, report.body, timestamp);

    const QString picture = m_dir.absoluteFilePath(QStringLiteral("screenshot") + timestamp + QStringLiteral(".jpg"));
    QFile file(picture);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(report.jpeg) != report.jpeg.size() ||
        !file.flush()) {
        file.close();
        QFile::remove(picture);
        return QString();
    }
    file.close();
    QVariantMap body = report.body;
    body.insert(QStringLiteral("fileName"), picture);
    const QString written = writeFile(report.apiUrl, body, timestamp);
    if (written.isEmpty())
        QFile::remove(picture);
    return written;
}

QString ActivityFolder::writeFile(const QString &apiUrl, const QVariantMap &body, const QString &timestamp)
{
    const QVariantMap content{{QStringLiteral("version"), QStringLiteral("0.1")},
                              {QStringLiteral("api-url"), apiUrl},
                              {QStringLiteral("body"), body},
                              {QStringLiteral("timestamp"), timestamp}};

    // A name without the "json" prefix while it is being written.
    QTemporaryFile partial(m_dir.filePath(QStringLiteral("partial-XXXXXX")));
    partial.setAutoRemove(false);
    if (!partial.open())
        return QString();
    const QByteArray text = Json::serialize(content);
    const bool written = partial.write(text) == text.size() && partial.flush();
    partial.close();
    if (!written) {
        partial.remove();
        return QString();
    }
    // Renaming never replaces an existing file, so a clash just tries again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = m_dir.filePath(QStringLiteral("json") + timestamp + QLatin1Char('.') + randomSuffix());
        if (QFile::rename(partial.fileName(), name))
            return name;
    }
    partial.remove();
    return QString();
}

QString ActivityFolder::next()
{
    while (!m_round.isEmpty()) {
        const QString name = m_round.takeFirst();
        if (m_dir.exists(name))
            return m_dir.filePath(name);
    }
    return QString();
}

void ActivityFolder::startRound()
{
    m_round = m_dir.entryList({QStringLiteral("json*")}, QDir::Files | QDir::Hidden, QDir::Unsorted);
    if (!m_round.isEmpty())
        return;
    const QStringList screenshots = m_dir.entryList({QStringLiteral("screenshot*.jpg")}, QDir::Files);
    for (const QString &name : screenshots) {
        qWarning() << "Error! The screenshot" << name << "has no activity file; set aside";
        moveToDamaged(m_dir.filePath(name));
    }
}

void ActivityFolder::setAside(const QString &path, const QByteArray &content)
{
    qWarning() << "Error! The activity file" << QFileInfo(path).fileName() << "cannot be read; set aside in"
               << damagedFolderName();
    moveToDamaged(path);
    // Its screenshot goes with it, found by name in whatever bytes are left.
    static const QRegularExpression screenshot(QStringLiteral("screenshot\\d\\d-\\d\\d-\\d{4}(-\\d\\d){3}\\.jpg"));
    QRegularExpressionMatchIterator names = screenshot.globalMatch(QString::fromLatin1(content));
    while (names.hasNext()) {
        const QString name = names.next().captured();
        if (m_dir.exists(name))
            moveToDamaged(m_dir.filePath(name));
    }
}

void ActivityFolder::moveToDamaged(const QString &path)
{
    m_dir.mkdir(damagedFolderName());
    const QDir damaged(m_dir.filePath(damagedFolderName()));
    const QString name = QFileInfo(path).fileName();
    QString target = damaged.filePath(name);
    for (int attempt = 1; QFileInfo::exists(target) && attempt < 100; ++attempt)
        target = damaged.filePath(name + QLatin1Char('-') + QString::number(attempt));
    if (!QFile::rename(path, target))
        qWarning() << "Error! Cannot move" << path << "to" << target;
}

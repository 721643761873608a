#include "client/ActivityFolder.h"

#include "common/Clock.h"
#include "model/Json.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QRandomGenerator>
#include <QTemporaryFile>

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

QString ActivityFolder::write(const QString &apiUrl, const QVariantMap &body)
{
    const QString timestamp = Clock::now().toString(timeForm());
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

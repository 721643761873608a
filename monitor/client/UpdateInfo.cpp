#include "client/UpdateInfo.h"

#include "client/Velmora.h"
#include "common/ProgramFiles.h"
#include "common/SettingsFile.h"
#include "common/UpdateSettings.h"
#include "model/Json.h"
#include "model/NotificationType.h"
#include "model/Notifier.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>

#include <filesystem>
#include <system_error>

UpdateInfo *UpdateInfo::instance()
{
    static UpdateInfo *info = new UpdateInfo;
    return info;
}

UpdateInfo::UpdateInfo(QObject *parent)
    : QObject(parent)
{}

void UpdateInfo::init(Velmora *velmora)
{
    m_velmora = velmora;
    m_seen.reset();
    QString setAsideAs;
    m_settings =
        SettingsFile::open(velmora->dataFolder().filePath(UpdateSettings::fileName()), QByteArray(), &setAsideAs);
    if (!setAsideAs.isEmpty())
        Notifier::raise(SettingsFile::setAsideNotice(UpdateSettings::fileName(), setAsideAs), Message);
}

QVariantList UpdateInfo::updateInfo() const
{
    return m_settings ? m_settings->value(UpdateSettings::updateInfoKey()).toList() : QVariantList();
}

bool UpdateInfo::setUpdateInfo(const QByteArray &body)
{
    const QVariant entries = Json::parseUtf8As(body, QMetaType::QVariantList);
    if (!m_settings || !entries.isValid())
        return false;
    m_settings->setValue(UpdateSettings::updateInfoKey(), entries);
    m_settings->sync();
    return true;
}

QString UpdateInfo::version() const
{
    const QVariantList entries = updateInfo();
    for (const QVariant &entry : entries) {
        const QVariantMap map = entry.toMap();
        if (map.contains(QStringLiteral("version")))
            return map.value(QStringLiteral("version")).toString();
    }
    return QString();
}

bool UpdateInfo::isNewer(const QString &offered, const QString &installed)
{
    return installed < offered;
}

bool UpdateInfo::updateAtStartup() const
{
    return m_settings && m_settings->value(UpdateSettings::updateAtStartupKey(), false).toBool();
}

bool UpdateInfo::forceUpdate()
{
    if (!m_settings)
        return false;
    // Asked every second: re-read only when the file changed. One stat of
    // its time stamp and size is enough to know, where a re-read looks the
    // time zone up for each time stamp it compares.
    std::error_code error;
    const std::filesystem::path path = std::filesystem::u8path(m_settings->fileName().toStdString());
    const FileStamp stamp{std::filesystem::last_write_time(path, error).time_since_epoch().count(),
                          error ? 0 : std::filesystem::file_size(path, error)};
    if (!m_seen || *m_seen != stamp) {
        m_settings->sync();
        m_seen = stamp;
    }
    return m_settings->value(UpdateSettings::forceUpdateKey(), false).toBool();
}

void UpdateInfo::setForceUpdate(bool force)
{
    if (!m_settings)
        return;
    m_settings->setValue(UpdateSettings::forceUpdateKey(), force);
    m_settings->sync();
}

void UpdateInfo::installUpdater()
{
    if (!m_velmora)
        return;
    const QString name = ProgramFiles::updaterFileName();
    const QString source = m_velmora->dataFolder().filePath(UpdateSettings::folderName() + QLatin1Char('/') + name);
    const QString destination = ProgramFiles::pathOf(name);
    if (!QFile::exists(source))
        return;

    // The downloaded file carries no execute permission: the installed
    // updater keeps the mode of the one it replaces (or of the monitor).
    const QFileDevice::Permissions mode = QFile::exists(destination)
                                              ? QFile::permissions(destination)
                                              : QFile::permissions(QCoreApplication::applicationFilePath());
    // QFile::copy never overwrites, so an installed updater is removed first.
    bool copied = QFile::copy(source, destination);
    if (!copied) {
        if (!QFile::remove(destination)) {
            qDebug() << "Error! Can't remove file " << name << " from " << source;
            return;
        }
        copied = QFile::copy(source, destination);
    }
    if (!copied) {
        qDebug() << "Error! Can't copy file " << name << " from " << source;
        return;
    }
    QFile::setPermissions(destination, mode);
    QFile::remove(source);
    Notifier::raise(QStringLiteral("Обновление успешно установлено"), Message);
}

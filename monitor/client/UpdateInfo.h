#pragma once

#include <QObject>
#include <QSettings>
#include <QVariantList>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

class Velmora;

/// The monitor's handle on update.json, the settings file it shares with the
/// updater, and the start-up step that puts a freshly downloaded updater in
/// place.
///
class UpdateInfo : public QObject
{
    Q_OBJECT

public:
    static UpdateInfo *instance();

    /// Remembers \a velmora and opens update.json in its data folder.
    void init(Velmora *velmora);

    /// The latest version file as stored: a list of maps, empty when none.
    QVariantList updateInfo() const;
    /// Stores the version file \a body. A body that is not a JSON list
    /// changes nothing and gives false.
    bool setUpdateInfo(const QByteArray &body);
    /// The version of the first entry that has one; empty when none does.
    QString version() const;
    /// Whether \a offered is newer than \a installed. Versions compare as
    /// plain strings, character by character: "1.10.0" is newer than "1.1.0"
    /// but older than "1.9.0".
    static bool isNewer(const QString &offered, const QString &installed);

    /// The updater asked to install at the monitor's next start.
    bool updateAtStartup() const;
    /// The updater asks the monitor to exit; re-reads the file first, since
    /// the updater writes it from another process.
    bool forceUpdate();
    void setForceUpdate(bool force);

    /// Moves an updater program downloaded into the update folder over the
    /// one in the program folder and raises a notice when that worked.
    void installUpdater();

private:
    explicit UpdateInfo(QObject *parent = nullptr);

    /// The modification time and size of update.json as forceUpdate() last
    /// read it.
    using FileStamp = std::pair<qint64, std::uintmax_t>;

    Velmora *m_velmora = nullptr;
    std::unique_ptr<QSettings> m_settings;
    std::optional<FileStamp> m_seen;

    Q_DISABLE_COPY(UpdateInfo)
};

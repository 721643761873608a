#pragma once

#include <QDir>
#include <QSettings>
#include <QVariantList>

#include <memory>

/// The updater's view of the data folder: the folder itself (with the
/// update folder inside), the update list as update.json held it when the
/// updater started, and update.json for writing.
class UpdaterStore
{
public:
    static UpdaterStore &instance();
    /// Forgets the store: the next instance() reads update.json anew (tests).
    static void reset();

    QDir dataFolder() const { return m_dataFolder; }
    /// The version file's entries: the version entry first, then the files.
    QVariantList updateList() const { return m_updateList; }
    QSettings &settings() { return *m_settings; }

    ~UpdaterStore();

private:
    UpdaterStore();

    QDir m_dataFolder;
    std::unique_ptr<QSettings> m_settings;
    QVariantList m_updateList;

    Q_DISABLE_COPY(UpdaterStore)
};

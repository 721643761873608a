#include "UpdaterStore.h"

#include "common/DataFolder.h"
#include "common/UpdateSettings.h"

UpdaterStore &UpdaterStore::instance()
{
    static UpdaterStore store;
    return store;
}

UpdaterStore::UpdaterStore()
    : m_dataFolder(DataFolder::ensure())
    , m_settings(m_dataFolder.filePath(UpdateSettings::fileName()), QSettings::IniFormat)
    , m_updateList(m_settings.value(UpdateSettings::updateInfoKey()).toList())
{
    m_dataFolder.mkpath(UpdateSettings::folderName());
}

#include "UpdaterStore.h"

#include "common/DataFolder.h"
#include "common/UpdateSettings.h"

namespace {
std::unique_ptr<UpdaterStore> &store()
{
    static std::unique_ptr<UpdaterStore> instance;
    return instance;
}
} // namespace

UpdaterStore &UpdaterStore::instance()
{
    if (!store())
        store().reset(new UpdaterStore);
    return *store();
}

void UpdaterStore::reset()
{
    store().reset();
}

UpdaterStore::~UpdaterStore() = default;

UpdaterStore::UpdaterStore()
    : m_dataFolder(DataFolder::ensure())
    , m_settings(m_dataFolder.filePath(UpdateSettings::fileName()), QSettings::IniFormat)
    , m_updateList(m_settings.value(UpdateSettings::updateInfoKey()).toList())
{
    m_dataFolder.mkpath(UpdateSettings::folderName());
}

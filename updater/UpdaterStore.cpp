#include "UpdaterStore.h"

#include "common/DataFolder.h"
#include "common/SettingsFile.h"
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
    , m_settings(SettingsFile::open(m_dataFolder.filePath(UpdateSettings::fileName())))
    , m_updateList(m_settings->value(UpdateSettings::updateInfoKey()).toList())
{
    m_dataFolder.mkpath(UpdateSettings::folderName());
}

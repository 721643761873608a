#pragma once

#include <QString>

/// update.json: the settings file (INI format, in spite of its name) through
/// which the monitor and the updater hand an update over. Both programs use
/// these names; the file's format must not change between versions.
///
/// | key             | type                  | default | written by                          |
/// |-----------------|-----------------------|---------|-------------------------------------|
/// | updateInfo      | list of maps          | empty   | monitor: the latest version file    |
/// | updateAtStartup | bool                  | false   | updater: install at the next start  |
/// | forceUpdate     | bool                  | false   | updater: asks the monitor to exit   |
/// | updateOk        | bool                  | absent  | installer: last install succeeded   |
namespace UpdateSettings {
inline QString fileName()
{
    return QStringLiteral("update.json");
}
/// The folder of downloaded files, inside the data folder.
inline QString folderName()
{
    return QStringLiteral("update");
}

inline QString updateInfoKey()
{
    return QStringLiteral("updateInfo");
}
inline QString updateAtStartupKey()
{
    return QStringLiteral("updateAtStartup");
}
inline QString forceUpdateKey()
{
    return QStringLiteral("forceUpdate");
}
inline QString updateOkKey()
{
    return QStringLiteral("updateOk");
}
} // namespace UpdateSettings

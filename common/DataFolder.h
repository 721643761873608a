#pragma once

#include <QDir>
#include <QString>

/// The folder ".velmora" in the user's home folder, where both programs keep
/// everything they store.
class DataFolder
{
public:
    /// The data folder's absolute path (it may not exist yet).
    static QString path();
    /// Creates the data folder when missing, readable by its owner only, and
    /// returns it. A folder that cannot be created is returned all the same:
    /// the programs go on and their writes fail quietly.
    static QDir ensure();
    /// The update folder inside the data folder.
    static QString updatePath();
};

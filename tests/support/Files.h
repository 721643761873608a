#pragma once

// Whole-file reads and writes for tests.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace Files {

/// Writes \a content to \a path, replacing it, and gives the file \a mode
/// when one is given; false when any step failed.
inline bool write(const QString &path, const QByteArray &content, QFileDevice::Permissions mode = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        return false;
    file.close();
    return mode == QFileDevice::Permissions() || file.setPermissions(mode);
}

/// The content of \a path; empty when it cannot be read.
inline QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace Files

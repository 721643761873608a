#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariantList>

/// One file of a new version, as the version file lists it.
struct UpdateFile
{
    QString name;      ///< the bare file name it is stored and installed under
    QUrl url;          ///< where it is downloaded from: https only
    QByteArray sha256; ///< the expected digest (raw bytes); empty when the entry gives none
};

/// The files of the version file held in update.json: the version entry
/// first, then one entry per file, in download order.
///
/// The version file comes from the network, so every entry is checked
/// before anything is fetched: a name must be a bare file name (no folder,
/// drive or parent), the address an https URL with a host, and a "sha256"
/// value, where there is one, 64 hexadecimal digits. One entry that fails
/// refuses the whole update.
class UpdateFiles
{
public:
    /// Reads the file entries of \a updateList (all but the first entry).
    /// On a refusal, files() is empty and error() says why.
    explicit UpdateFiles(const QVariantList &updateList);

    QList<UpdateFile> files() const { return m_files; }
    QString error() const { return m_error; }

    /// Whether \a name may name a file of the update folder and of the
    /// program folder.
    static bool isBareFileName(const QString &name);
    /// The suffix of a file still being downloaded; no entry may end in it.
    static QString partialSuffix() { return QStringLiteral(".part"); }

private:
    QList<UpdateFile> m_files;
    QString m_error;
};

#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>

#include <memory>

/// The programs' INI settings files, looked at before the toolkit reads them.
///
/// The toolkit's settings reader trusts what it finds: a stored list whose
/// element count is damaged makes it reserve gigabytes (and throw), deeply
/// nested values exhaust the stack. So every file is first read by a strict
/// reader of our own that decodes nothing, only walks each stored value and
/// checks that its counts fit the bytes that are there. A file that fails is
/// set aside under a name that says so, and the program goes on without it.
namespace SettingsFile {

/// Files larger than this are not read (bytes).
constexpr qint64 SizeLimit = 128 * 1024 * 1024;

/// Why the file at \a path cannot be read safely, or an empty string when it
/// can (a missing file can). With \a recordType, every value must be a stored
/// record of that registered type, which is then the only one accepted;
/// without it only the toolkit's plain types are (numbers, texts, dates and
/// times, lists and maps of them).
QString problem(const QString &path, const QByteArray &recordType = QByteArray());

/// Moves \a path aside as "<name>.damaged-<dd-MM-yyyy-hh-mm-ss>" (with a
/// number added when that is taken) and returns the new path; an empty
/// string when it could not be moved.
QString setAside(const QString &path);

/// The notice that tells the user the file \a path was set aside as
/// \a setAsideAs.
QString setAsideNotice(const QString &path, const QString &setAsideAs);

/// Opens the INI file \a path. A file that cannot be read safely is set aside
/// first (with a warning in the log) and its new path given in \a setAsideAs;
/// when it cannot even be moved, the settings returned read and write
/// nothing, so the damaged file is neither read nor overwritten.
std::unique_ptr<QSettings> open(const QString &path, const QByteArray &recordType = QByteArray(),
                                QString *setAsideAs = nullptr);

} // namespace SettingsFile

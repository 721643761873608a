#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <QVariantMap>

/// The user's activity folder as the upload queue: every report waits there
/// as one file until the service has confirmed it.
///
/// Files are written completely under a temporary name and only then get
/// their "json…" name, so a crash never leaves a truncated file in the queue.
/// The queue is walked in the order the folder listing gives; the listing is
/// read once and read again only when it is used up, so draining a large
/// backlog costs the same per file as a small one.
class ActivityFolder
{
public:
    /// The largest queue file read (bytes); a report is a few hundred.
    static constexpr qint64 FileSizeLimit = 1024 * 1024;
    /// The folder inside the activity folder that keeps what cannot be sent.
    static QString damagedFolderName();

    /// The name form of the time part: "dd-MM-yyyy-hh-mm-ss".
    static QString timeForm();

    void setPath(const QString &path);
    QString path() const { return m_dir.path(); }

    /// Writes {"version": "0.1", "api-url", "body", "timestamp": now} as a new
    /// activity file "json" + time + "." + six random characters; returns its
    /// path, or an empty string when it could not be written.
    QString write(const QString &apiUrl, const QVariantMap &body);

    /// The next queued file of the current listing round, or an empty string
    /// when the round is used up (see startRound()). Files that vanished
    /// since the listing are passed over.
    QString next();
    /// Lists the folder again: a new round over every waiting file. When no
    /// file waits, screenshots left without their file (a crash between the
    /// two writes) are set aside: nothing would ever send them.
    void startRound();

    /// Moves the queue file \a path, which cannot be read, and the
    /// screenshot its \a content names into the damaged folder: kept for
    /// support, never sent and never deleted.
    void setAside(const QString &path, const QByteArray &content);

private:
    void moveToDamaged(const QString &path);

    QDir m_dir;
    QStringList m_round;
};

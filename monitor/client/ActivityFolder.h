#pragma once

#include <QDateTime>
#include <QDir>
#include <QList>
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

    /// One report: where it goes, what it says, when it was made and, for a
    /// screenshot, the picture.
    struct Report
    {
        QString apiUrl;
        QVariantMap body;
        QDateTime time;
        QByteArray jpeg;
    };

    /// How many reports may wait in memory while the disk refuses them: a
    /// day of minutes, and a day of screenshots.
    static constexpr int WaitingMinutesLimit = 1440;
    static constexpr int WaitingScreenshotsLimit = 288;

    /// Queues \a report as an activity file {"version": "0.1", "api-url",
    /// "body", "timestamp"} named "json" + time + "." + six random
    /// characters (a screenshot's picture first, as "screenshot" + time +
    /// ".jpg", named in the body's "fileName"); returns the file's path.
    ///
    /// A report that cannot be written (a full disk, a folder gone) is kept
    /// in memory, after those already waiting, and an empty string returned:
    /// reports are written oldest first, at each later chance. The user is
    /// told once when recording cannot be saved and once when it can again.
    QString add(const Report &report);
    /// Writes the reports waiting in memory, oldest first, until one still
    /// cannot be written. True when none waits any more.
    bool writeWaiting();
    /// Reports waiting in memory.
    int waitingCount() const { return m_waiting.size(); }

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
    /// Writes \a report; the activity file's path, or empty when it failed.
    QString write(const Report &report);
    QString writeFile(const QString &apiUrl, const QVariantMap &body, const QString &timestamp);
    void keepWaiting(const Report &report);
    void moveToDamaged(const QString &path);

    QDir m_dir;
    QStringList m_round;
    QList<Report> m_waiting;
};

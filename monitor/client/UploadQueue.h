#pragma once

#include "client/ActivityFolder.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QTimer;

/// The upload queue: every report becomes a file of the activity folder
/// (or waits in memory while the disk refuses it) and is uploaded one file
/// at a time until the service has confirmed it.
///
/// The rules: a confirmed upload removes its file (and screenshot) and, when
/// nothing else is in flight, pulls the next waiting file; a refusal moves
/// on to the next file of the current round, so that a file the service
/// never takes holds nothing back, and is tried again in a later round; a
/// network failure stops the drain until an upload gets through again. A
/// file that cannot be read is set aside, never sent and never deleted.
/// Runs of files are walked through the event loop, never by recursion.
class UploadQueue : public QObject
{
    Q_OBJECT

public:
    /// Posts \a body (the form "data=...") to \a url for the queue file
    /// \a file; the answer comes back through confirmed() or failed().
    using Poster = std::function<void(const QUrl &url, const QByteArray &body, const QString &file)>;

    explicit UploadQueue(Poster post, QObject *parent = nullptr);
    /// Writes what waits in memory one last time.
    ~UploadQueue() override;

    /// Points the queue at an activity folder.
    void setFolder(const QString &path);
    /// Queues \a report and sends it once it is written.
    void add(const ActivityFolder::Report &report);

    /// The service confirmed the upload of \a file.
    void confirmed(const QString &file);
    /// Whether \a body, the service's answer to an upload to \a url,
    /// confirms it: the activity path answers {"status":"ok"}, the
    /// screenshot path the bare "ok".
    static bool confirms(const QUrl &url, const QByteArray &body);
    /// An upload ended without confirmation; \a refused when the service
    /// answered (rather than the network failing).
    void failed(bool refused);

    /// Uploads sent and not yet answered.
    int uploadsInFlight() const { return m_inFlight; }
    /// Reports waiting in memory for the disk.
    int waitingCount() const { return m_folder.waitingCount(); }

private:
    /// Sends one queue file. False when there was nothing to send (the file
    /// is gone, or it could not be read and has been set aside).
    bool send(const QString &file);
    /// A file has left the queue: when nothing else is in flight, the next
    /// one goes.
    void ended();
    void sendNext();
    /// Writes the reports waiting in memory, and sends them once they are.
    void writeWaiting();

    Poster m_post;
    ActivityFolder m_folder;
    QTimer *m_retryWrites = nullptr;
    int m_inFlight = 0;
    /// Whether sendNext() may list the folder again when the current round
    /// is used up: after a confirmed upload, not after a refusal.
    bool m_mayStartRound = false;

    Q_DISABLE_COPY(UploadQueue)
};

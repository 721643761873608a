#pragma once

#include "UpdateFiles.h"

#include <QDialog>
#include <QFile>
#include <QImage>
#include <QNetworkAccessManager>
#include <QPoint>
#include <QPointer>

#include <memory>

namespace Ui {
class DownloadWindow;
}
class InstallManager;
class QCryptographicHash;
class QNetworkReply;

/// The updater's window: downloads the files of the new version named in
/// update.json into the update folder, one at a time with a progress bar,
/// then asks the monitor to make way (or leaves the install to its next
/// start) and hands over to the install manager.
///
/// Downloads are verified HTTPS. Each file streams into "NAME.part" and
/// gets its name only when it arrived whole (status 200, the announced
/// length, the "sha256" digest where the entry gives one); a failed file
/// says why and can be tried again. A new download starts from an empty
/// update folder.
class DownloadWindow : public QDialog
{
    Q_OBJECT

public:
    explicit DownloadWindow(QWidget *parent = nullptr);
    ~DownloadWindow() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    void replyFinished(QNetworkReply *reply);
    void updateProgressbar(qint64 receivedBytes, qint64 totalBytes);
    void downloadNext();
    void pbCancel_clicked();

protected:
    void showEvent(QShowEvent *event) override;

private:
    /// Checks the update list, empties the update folder and fetches the
    /// first file; or says why there is nothing to fetch, and ends.
    void begin();
    void writeArrived();
    /// Why the download of the current file failed; empty when it did not.
    QString failure(QNetworkReply *reply) const;
    void downloadFailed(const QString &name, const QString &reason);
    void allDownloaded();
    QString updatePath(const QString &name) const;
    /// \a name as the status line shows it: whole, or shortened in the
    /// middle when it is long.
    QString shownName(const QString &name) const;

    std::unique_ptr<Ui::DownloadWindow> m_ui;
    QImage m_background;
    QPoint m_dragPosition;
    QNetworkAccessManager m_network;
    int m_fileCount = 0;
    int m_currentIndex = -1;
    int m_doneCount = 0;

    QList<UpdateFile> m_files;
    QPointer<QNetworkReply> m_reply;
    QFile m_partial;
    std::unique_ptr<QCryptographicHash> m_hash;
    qint64 m_received = 0;
    std::unique_ptr<InstallManager> m_installer;

    Q_DISABLE_COPY(DownloadWindow)
};

#pragma once

#include <QDir>
#include <QObject>
#include <QStringList>
#include <QTimer>

/// The updater's last stage: waits until the monitor no longer runs, puts
/// every downloaded file of the update folder into the program folder,
/// records the outcome in update.json and starts the monitor again.
///
/// The program folder is never left with a file missing or with two
/// versions mixed: each file is first copied beside its destination under a
/// temporary name, then renamed over it; the replaced files are kept until
/// every file is in and are put back when any file fails. After a failed
/// install the old monitor is started again. An installed file keeps the
/// permissions of the file it replaces.
class InstallManager : public QObject
{
    Q_OBJECT

public:
    InstallManager();

    /// Starts waiting for the monitor to end (a check every 100 ms).
    void start();
    /// Installs at once, then finished(): the updater ends there.
    void install();

    /// The names in the update folder that are never installed.
    static QStringList protectedNames();

signals:
    /// The install is over: \a installed when every file went in.
    void finished(bool installed);

public slots:
    void checkIsTalvIsClosed();

private:
    struct Replacement
    {
        QString name;
        QString source;         ///< in the update folder
        QString destination;    ///< in the program folder
        QString staged;         ///< the new file beside the destination
        QString kept;           ///< the replaced file, until the install is done
        bool replaced = false;  ///< the old file is under kept
        bool installed = false; ///< the new file is at destination
    };

    bool stage(Replacement &file);
    bool replace(Replacement &file);
    void putBack(const QList<Replacement> &files);

    QTimer m_pollTimer;
};

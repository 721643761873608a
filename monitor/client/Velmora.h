#pragma once

#include "model/Session.h"

#include <QDir>
#include <QObject>
#include <QString>

/// The client of the web service: owns the data folder and the two sessions,
/// and opens the service's pages in the desktop browser.
///
/// Requests, the reply dispatch and the online state come with the server
/// client work; this form holds what start-up and shutdown need.
class Velmora : public QObject, public SessionOwner
{
    Q_OBJECT

public:
    using Session = ::Session;

    explicit Velmora(QObject *parent = nullptr);
    ~Velmora() override;

    /// The current session: the signed-in user's state.
    Session *session() const { return m_session; }
    /// The data folder, ".velmora" in the user's home folder.
    QDir dataFolder() const override { return m_dataFolder; }

    /// Deletes what an older storage layout left in the data folder and in
    /// the current user's folder. Missing files are no error.
    void removeObsoleteFiles() override;

    /// When set, destruction does not save the current session.
    void setSkipSaveOnExit(bool skip) { m_skipSaveOnExit = skip; }

    /// The service's base URL: the build's constant, or the environment
    /// variable VELMORA_SERVICE_URL when it is set.
    static QString serviceUrl();

    /// Opens \a url (parsed leniently) with the desktop's default handler.
    static void openUrl(const QString &url);
    /// Opens the service's page of task \a taskId.
    static void openTaskPage(const QString &taskId);

    /// Starts the program file \a file of the program folder with
    /// \a arguments and returns the launcher's result (above 32: started).
    /// A result of 31 or less, other than 5 (the user refused to raise the
    /// rights), is logged and opens the service's download page instead.
    static int runWinAppAsAdmin(const QString &file, const QString &arguments);

    /// Deletes the folder \a path with everything in it. True when it is gone
    /// (or never existed); false at the first entry that cannot be deleted.
    static bool removeFolder(const QString &path);

private:
    QDir m_dataFolder;
    Session *m_session = nullptr;
    Session *m_pendingSession = nullptr;
    bool m_skipSaveOnExit = false;

    Q_DISABLE_COPY(Velmora)
};

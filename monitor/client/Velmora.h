#pragma once

#include "client/ServiceRequests.h"
#include "model/ReplyReader.h"
#include "model/Session.h"
#include "model/TaskInfo.h"

#include <QDate>
#include <QDir>
#include <QHash>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSslError>
#include <QString>
#include <QTime>
#include <QUrl>

class QImage;
class UploadQueue;
class QNetworkReply;

/// The client of the web service: asks for what the windows need, routes
/// each reply by the kind of request it answers (its "stage") to the handler
/// of that kind, turns network failures into an online/offline state and the
/// service's error bodies into error(int), and hands reports to the upload
/// queue.
///
/// ServiceRequests builds and sends the requests, ReplyReader reads the
/// replies into records and UploadQueue keeps the activity folder.
class Velmora : public QObject, public SessionOwner
{
    Q_OBJECT

public:
    using Session = ::Session;

    /// The kinds of request, as carried in each reply's "stage" property.
    enum Stage
    {
        LoginStage = 1,
        TeamsAndTasksStage = 2,
        VersionStage = 3,
        UploadStage = 4,
        DeadlineStage = 5,
        TaskInfoStage = 6,
        ActiveTimeStage = 7,
    };

    /// How a request ended: the network failed in one of three ways, or
    /// the service answered. A network failure of the sign-in or of the
    /// teams download is also passed on as error(int).
    enum Outcome
    {
        HostNotFound = 1,
        SiteUnavailable = 2,
        NetworkFailed = 3,
        Answered = 7,
    };

    /// The service's error bodies, as error(int) passes them.
    enum ServiceError
    {
        InvalidLogin = 0,
        InvalidUrl = 4,
        DatabaseUnavailable = 5,
        UnknownError = 6,
    };

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

    /// Chooses the team (teamChanged() when it differs) and the task.
    void setTeamAndTask(const QString &teamId, const QString &taskId);

    /// Signs in: the pending session holds the login until the service
    /// answers; then the current session becomes this user and loginOk() is
    /// emitted, or error(int) tells why not.
    void login(const QString &login, const QString &password);
    /// Downloads the user's teams and their tasks into the session.
    void requestTeamsAndTasks();
    /// Queues and uploads one completed minute with \a activeTicks active
    /// six-second ticks.
    void sendActivity(int activeTicks);
    /// Queues and uploads a picture of the screens.
    void sendScreenshot(const QImage &image);
    /// Fetches the version file.
    void requestVersion();
    /// Asks to move the chosen task's deadline to \a date (and \a time,
    /// unless it is exactly 23:59, the dialog's initial time).
    void requestDeadlineChange(const QDate &date, const QString &message, const QTime &time);
    /// Fetches the description of \a taskId (never of the pseudo-task "0").
    void requestTaskInfo(const QString &taskId);
    /// Fetches today's worked and active minutes, and those of \a taskId.
    void requestActiveTime(const QString &taskId);

    /// Whether \a body may be parsed; emits error(int) for the service's
    /// error bodies.
    bool checkReply(const QByteArray &body);

    /// Uploads sent and not yet finished.
    int uploadsInFlight() const;

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

signals:
    void teamChanged(const QString &teamId);
    void error(int error);
    void loginOk();
    void onlineChanged(const QString &reason);
    void updateAvailable(bool isAvailable);
    void taskInfoUpdated(const TaskInfo &taskInfo);

public slots:
    /// Opens the task page named by the sender's "task_id" property.
    void openTaskUrl();
    void replyFinished(QNetworkReply *reply);
    void sslErrorHandler(QNetworkReply *reply, const QList<QSslError> &errors);

private:
    void updateOnlineState(Outcome outcome);

    /// What a request that brought nothing usable still owes its caller
    /// (\a errorCode for the dialogs that wait on error(int)).
    void replyUnusable(QNetworkReply *reply, int stage, int errorCode);

    // The handlers of readable replies: those of all stages but the upload
    // are called once checkReply() has passed.
    void loginReply();
    void teamsAndTasksReply(const QByteArray &body);
    void versionReply(const QByteArray &body);
    void uploadReply(QNetworkReply *reply, const QByteArray &body);
    void deadlineReply(QNetworkReply *reply, const QByteArray &body);
    void taskInfoReply(QNetworkReply *reply, const QByteArray &body);
    void activeTimeReply(QNetworkReply *reply, const QByteArray &body);

    /// What a description request knew of its task, and when the service
    /// refused it.
    struct TaskState
    {
        QDateTime lastComment;
        QDateTime deadline;
        QDateTime refusedAt;
    };
    /// Whether the description of \a task may be asked for: not when the
    /// service refused it within the hour and the task has not changed since.
    bool mayAskTaskInfo(const Task &task) const;

    /// Points the upload queue at the current user's activity folder.
    void useActivityFolder();
    QVariantMap uploadBody() const;

    QDir m_dataFolder;
    Session *m_session = nullptr;
    Session *m_pendingSession = nullptr;
    QNetworkAccessManager *m_network;
    ServiceRequests m_requests;
    UploadQueue *m_uploads = nullptr;
    bool m_skipSaveOnExit = false;
    ReplyReader m_replies;
    QHash<QString, TaskState> m_askedTaskInfos;
    QHash<QString, TaskState> m_refusedTaskInfos;

    Q_DISABLE_COPY(Velmora)
};

#include "client/Velmora.h"

#include "client/LogText.h"
#include "client/ServiceRequests.h"
#include "client/UpdateInfo.h"
#include "client/UploadQueue.h"
#include "common/Clock.h"
#include "common/DataFolder.h"
#include "common/ProgramFiles.h"
#include "model/Json.h"
#include "model/NotificationType.h"
#include "model/Notifier.h"
#include "platform/ProgramLauncher.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTextCodec>

namespace {

const QByteArray invalidLoginBody = QByteArrayLiteral("{\"status\":-1,\"err_msg\":\"Invalid email|pswd|client\"}");

using Json::text;

QString loggedUrl(const QNetworkReply *reply)
{
    return ServiceRequests::loggedUrl(reply->request().url());
}

} // namespace

Velmora::Velmora(QObject *parent)
    : QObject(parent)
    , m_dataFolder(DataFolder::ensure())
    , m_network(new QNetworkAccessManager(this))
    , m_requests(m_network)
{
    m_uploads = new UploadQueue(
        [this](const QUrl &url, const QByteArray &body, const QString &file) {
            m_requests.post(url, body, UploadStage)->setProperty("activityFile", file);
        },
        this);

    registerTaskMetaTypes();
    m_session = new Session(this, this);
    m_session->restoreLastLogin();
    m_pendingSession = new Session(this, this);
    removeObsoleteFiles();

    connect(m_network, &QNetworkAccessManager::finished, this, &Velmora::replyFinished);
    connect(m_network, &QNetworkAccessManager::sslErrors, this, &Velmora::sslErrorHandler);
}

Velmora::~Velmora()
{
    if (!m_skipSaveOnExit)
        m_session->save();
    delete m_session;
    delete m_pendingSession;
    qDebug() << "Exit Velmora Team Monitor OK";
}

void Velmora::removeObsoleteFiles()
{
    const QStringList oldJsonFiles = m_dataFolder.entryList({QStringLiteral("json*")}, QDir::Files | QDir::Hidden);
    for (const QString &name : oldJsonFiles)
        m_dataFolder.remove(name);
    for (const char *name : {".velmora.db", "comments.data", "session.json"})
        m_dataFolder.remove(QLatin1String(name));

    const QString login = m_session->login();
    if (login.isEmpty())
        return;
    QDir userFolder(m_dataFolder.filePath(login));
    for (const char *name : {"session.json", "tasks.json", "teams.json"})
        userFolder.remove(QLatin1String(name));
    const QList<Team> teams = m_session->teams();
    for (const Team &team : teams) {
        // A team id is the service's text: never let it lead outside the folder.
        if (!team.first.isEmpty() && !team.first.contains(QLatin1Char('/')) && !team.first.contains(QLatin1Char('\\')))
            removeFolder(userFolder.filePath(QStringLiteral("team_") + team.first));
    }
}

void Velmora::setTeamAndTask(const QString &teamId, const QString &taskId)
{
    if (teamId != m_session->teamID()) {
        m_session->setTeamID(teamId);
        emit teamChanged(teamId);
    }
    m_session->setTaskID(taskId);
}

// Requests ------------------------------------------------------------------

QString Velmora::serviceUrl()
{
    return ServiceRequests::serviceUrl();
}

void Velmora::login(const QString &login, const QString &password)
{
    m_pendingSession->setLogin(login);
    m_pendingSession->setPassword(password);
    m_requests.get(ServiceRequests::url(QStringLiteral("/api_teams"), ServiceRequests::credentials(m_pendingSession)),
                   LoginStage);
}

void Velmora::requestTeamsAndTasks()
{
    m_requests.get(ServiceRequests::url(QStringLiteral("/api_teams_tasks"), ServiceRequests::credentials(m_session)),
                   TeamsAndTasksStage);
}

void Velmora::requestVersion()
{
    m_requests.get(ServiceRequests::url(QStringLiteral("/monitor/talv.version")), VersionStage);
}

void Velmora::requestDeadlineChange(const QDate &date, const QString &message, const QTime &time)
{
    ServiceRequests::QueryItems items = ServiceRequests::credentials(m_session);
    items << qMakePair(QStringLiteral("task_id"), m_session->taskID())
          << qMakePair(QStringLiteral("dl_date"), date.toString(QStringLiteral("yyyy-MM-dd")));
    // 23:59:00.000 is the dialog's initial time: no time was chosen.
    if (time != QTime(23, 59, 0, 0))
        items << qMakePair(QStringLiteral("dl_time"), time.toString(QStringLiteral("HH:mm")));
    items << qMakePair(QStringLiteral("message"), message);
    m_requests.post(ServiceRequests::url(QStringLiteral("/api_task_deadline_request"), items), QByteArray(),
                    DeadlineStage);
}

void Velmora::requestTaskInfo(const QString &taskId)
{
    if (taskId == pseudoTaskId())
        return;
    ServiceRequests::QueryItems items = ServiceRequests::credentials(m_session);
    items << qMakePair(QStringLiteral("task_id"), taskId);
    m_requests.get(ServiceRequests::url(QStringLiteral("/api_get_task"), items), TaskInfoStage)
        ->setProperty("task_id", taskId);
}

void Velmora::requestActiveTime(const QString &taskId)
{
    ServiceRequests::QueryItems items = ServiceRequests::credentials(m_session);
    if (taskId != pseudoTaskId())
        items << qMakePair(QStringLiteral("task_id"), taskId);
    m_requests.get(ServiceRequests::url(QStringLiteral("/api_get_active"), items), ActiveTimeStage)
        ->setProperty("task_id", taskId);
}

// Replies -------------------------------------------------------------------

bool Velmora::checkReply(const QByteArray &body)
{
    if (body == invalidLoginBody) {
        qDebug() << "Invalid email/pswd/client";
        emit error(InvalidLogin);
        return false;
    }
    if (body.startsWith("{\"status\":\"error\"") || body.startsWith("{\"status\":-1")) {
        qDebug() << "Unknown error!" << LogText::body(body);
        emit error(UnknownError);
        return false;
    }
    if (body.startsWith("\t<!DOCTYPE")) {
        qDebug() << "Error! Invalid URL!";
        emit error(InvalidUrl);
        return false;
    }
    if (QTextCodec::codecForName("Windows-1251")->toUnicode(body) ==
        QStringLiteral("Не могу соединится с базой данных")) {
        qDebug() << "Не могу соединиться с базой данных";
        emit error(DatabaseUnavailable);
        return false;
    }
    return true;
}

void Velmora::replyFinished(QNetworkReply *reply)
{
    const int stage = reply->property("stage").toInt();
    Outcome outcome = Answered;
    const QVariant tooLarge = reply->property("tooLarge");
    if (tooLarge.isValid()) {
        // The service answered, with something no handler can use: it
        // changes nothing, as an unreadable reply.
        qDebug().noquote() << "Request: " + loggedUrl(reply);
        qDebug() << "Error! The reply is larger than" << ServiceRequests::replyLimit() << "bytes ("
                 << tooLarge.toLongLong() << "); it is not read";
        replyUnusable(reply, stage, UnknownError);
    } else if (reply->error() != QNetworkReply::NoError) {
        switch (reply->error()) {
        case QNetworkReply::HostNotFoundError:
        case QNetworkReply::UnknownNetworkError:
            outcome = HostNotFound;
            break;
        case QNetworkReply::ProtocolUnknownError:
            outcome = SiteUnavailable;
            break;
        default:
            outcome = NetworkFailed;
        }
        qDebug().noquote() << "Request: " + loggedUrl(reply);
        qDebug() << "Reply finished:" << reply->error() << " - " << LogText::withoutPasswords(reply->errorString());
        replyUnusable(reply, stage, outcome);
    } else {
        // Whole: what arrived is within the limit, or the download was
        // stopped above.
        const QByteArray body = reply->readAll();
        // The time sync logs every answer, error bodies too.
        if (stage == ActiveTimeStage)
            qDebug() << "time sync : " << LogText::body(body);
        if (stage == UploadStage) {
            uploadReply(reply, body);
        } else if (!checkReply(body)) {
            // The sign-in and the teams download say nothing more: their
            // dialogs have error(int).
            if (stage != LoginStage && stage != TeamsAndTasksStage)
                qDebug().noquote() << loggedUrl(reply);
        } else {
            switch (stage) {
            case LoginStage:
                loginReply();
                break;
            case TeamsAndTasksStage:
                teamsAndTasksReply(body);
                break;
            case VersionStage:
                versionReply(body);
                break;
            case DeadlineStage:
                deadlineReply(reply, body);
                break;
            case TaskInfoStage:
                taskInfoReply(reply, body);
                break;
            case ActiveTimeStage:
                activeTimeReply(reply, body);
                break;
            default:
                break;
            }
        }
    }
    updateOnlineState(outcome);
    reply->deleteLater();
}

void Velmora::replyUnusable(QNetworkReply *reply, int stage, int errorCode)
{
    switch (stage) {
    case LoginStage:
    case TeamsAndTasksStage:
        // The sign-in and task dialogs wait for an answer; without one
        // they would stay disabled ("Загрузка...") for good.
        emit error(errorCode);
        break;
    case DeadlineStage:
        Notifier::raise(QStringLiteral("Запрос на продление задачи не удалось отправить, повторите попытку позже."),
                        Message);
        break;
    case TaskInfoStage:
        emit taskInfoUpdated(m_session->taskInfo(reply->property("task_id").toString()));
        break;
    case UploadStage:
        // An answer with an HTTP error status is the service refusing
        // this file, not the network failing.
        m_uploads->failed(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid());
        break;
    default:
        break;
    }
}

void Velmora::sslErrorHandler(QNetworkReply *reply, const QList<QSslError> &errors)
{
    // Never ignored: the request fails as a network error, so neither the
    // password nor the activity goes to a server that is not the service.
    qWarning().noquote() << "SSL errors, request refused: " + loggedUrl(reply);
    for (const QSslError &sslError : errors)
        qWarning().noquote() << "  " + sslError.errorString();
}

void Velmora::updateOnlineState(Outcome outcome)
{
    if (outcome != Answered && m_session->isOnline()) {
        QString reason;
        if (outcome == HostNotFound)
            reason = QStringLiteral("Ошибка соединения. ");
        else if (outcome == SiteUnavailable)
            reason = QStringLiteral("Сайт недоступен. ");
        m_session->setOnline(false);
        emit onlineChanged(reason);
    } else if (outcome == Answered && !m_session->isOnline()) {
        m_session->setOnline(true);
        emit onlineChanged(QString());
    }
}

void Velmora::loginReply()
{
    qDebug() << "Login as " << m_pendingSession->login();
    if (!m_session->login().isEmpty()) {
        m_session->save();
        m_session->clear();
    }
    m_session->load(m_pendingSession->login(), m_pendingSession->password());
    m_session->setLogged(true);
    m_pendingSession->clear();
    emit loginOk();
}

void Velmora::teamsAndTasksReply(const QByteArray &body)
{
    qDebug() << "Teams and tasks data: " << LogText::body(body);
    // A reply that is not a list of teams (cut short, say) must not read as
    // "no teams any more": the cached teams stay until a readable reply.
    const auto teamTasks = m_replies.teams(body);
    if (!teamTasks) {
        qDebug() << "Error! The teams and tasks reply is no JSON list; the cached teams stay";
        return;
    }
    QList<Team> teams;
    for (const ReplyReader::TeamTasks &team : *teamTasks) {
        teams.append({team.id, team.name});
        m_session->setTasks(team.id, team.tasks);
        if (team.id == exemptTeamId())
            continue;
        for (const Task &task : team.tasks) {
            if (m_session->taskInfo(task.id).id.isEmpty() && mayAskTaskInfo(task)) {
                m_askedTaskInfos.insert(task.id, {task.last_comment, task.deadline, QDateTime()});
                requestTaskInfo(task.id);
            }
        }
    }
    m_session->setTeams(teams);
}

void Velmora::versionReply(const QByteArray &body)
{
    qDebug() << "Update data: " << LogText::body(body);
    UpdateInfo *info = UpdateInfo::instance();
    if (!info->setUpdateInfo(body)) {
        // The stored version information stays as it was.
        qDebug() << "Error! The version file is no JSON list";
        return;
    }
    const QString version = info->version();
    const bool newer = UpdateInfo::isNewer(version, QCoreApplication::applicationVersion());
    emit updateAvailable(newer);
    if (newer)
        Notifier::raise(version, UpdateAvailable);
}

void Velmora::deadlineReply(QNetworkReply *reply, const QByteArray &body)
{
    const ReplyReader::Status answer = ReplyReader::status(body);
    if (!answer.ok)
        qDebug().noquote() << loggedUrl(reply);
    qDebug() << "Request for deadline change: " << LogText::body(body);
    Notifier::raise(answer.ok ? QStringLiteral("Запрос на продление задачи успешно отправлен")
                              : QStringLiteral("Ошибка переноса задачи:") + answer.messageText(),
                    Message);
}

void Velmora::taskInfoReply(QNetworkReply *reply, const QByteArray &body)
{
    const QString requested = reply->property("task_id").toString();
    qDebug() << "TaskInfo for " + requested + ":" << LogText::body(body);
    const ReplyReader::Status answer = ReplyReader::status(body);
    const TaskState asked = m_askedTaskInfos.take(requested);
    if (const auto info = m_replies.taskInfo(answer)) {
        m_refusedTaskInfos.remove(requested);
        m_session->setTaskInfo(info->id, *info);
        emit taskInfoUpdated(*info);
        return;
    }
    qDebug().noquote() << loggedUrl(reply);
    qDebug() << LogText::body(body);
    m_refusedTaskInfos.insert(requested, {asked.lastComment, asked.deadline, Clock::now()});
    Notifier::raise(QStringLiteral("Ошибка получения данных по задаче: ") + answer.messageText(), Message);
}

void Velmora::activeTimeReply(QNetworkReply *reply, const QByteArray &body)
{
    const auto times = ReplyReader::dayTimes(body);
    if (!times) {
        qDebug() << "Error! The time sync reply holds no times; the day's times stay";
        return;
    }
    m_session->setTodayActive(times->active);
    m_session->setTodayTotal(times->total);
    const QString taskId = reply->property("task_id").toString();
    if (taskId != pseudoTaskId())
        m_session->setTaskActiveTime(taskId, times->task);
    qDebug() << "Today active" << times->active << "total" << times->total;
}

bool Velmora::mayAskTaskInfo(const Task &task) const
{
    // A refused description is asked for again once the task has moved on
    // (a new comment, another deadline) or after an hour: asking each minute
    // for all of a large team's tasks would flood the service and the user.
    const auto refused = m_refusedTaskInfos.constFind(task.id);
    return refused == m_refusedTaskInfos.cend() || refused->lastComment != task.last_comment ||
           refused->deadline != task.deadline || refused->refusedAt.secsTo(Clock::now()) >= 3600;
}

// Uploads -------------------------------------------------------------------

QVariantMap Velmora::uploadBody() const
{
    return {{QStringLiteral("email"), m_session->login()},
            {QStringLiteral("past"), QStringLiteral("0")},
            {QStringLiteral("task_id"), m_session->taskID()},
            {QStringLiteral("team_id"), m_session->teamID()},
            {QStringLiteral("version"), QCoreApplication::applicationVersion()}};
}

int Velmora::uploadsInFlight() const
{
    return m_uploads->uploadsInFlight();
}

void Velmora::useActivityFolder()
{
    m_uploads->setFolder(m_dataFolder.filePath(m_session->login() + QStringLiteral("/activity")));
}

void Velmora::sendActivity(int activeTicks)
{
    useActivityFolder();
    QVariantMap body = uploadBody();
    body.insert(QStringLiteral("active"), QString::number(activeTicks));
    const QString url = serviceUrl() + QStringLiteral("/api_active2");
    qDebug().noquote() << "Activity data prepared " + url + " (" + text(body, "active") + ", " + text(body, "email") +
                              ", " + text(body, "task_id") + ", " + text(body, "team_id") + ", " +
                              text(body, "version") + ")";
    m_uploads->add({url, body, Clock::now(), QByteArray()});
}

void Velmora::sendScreenshot(const QImage &image)
{
    useActivityFolder();
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "JPG")) {
        qDebug() << "Error! Can't convert to JPG format!";
        Notifier::raise(QStringLiteral("При отправке снимка экрана произошла ошибка. Обратитесь в техподдержку"),
                        Message);
        return;
    }
    qDebug() << "Screenshot prepared";
    m_uploads->add({serviceUrl() + QStringLiteral("/api_screenshot"), uploadBody(), Clock::now(), jpeg});
}

void Velmora::uploadReply(QNetworkReply *reply, const QByteArray &body)
{
    if (checkReply(body) && UploadQueue::confirms(reply->request().url(), body)) {
        m_uploads->confirmed(reply->property("activityFile").toString());
        return;
    }
    qDebug().noquote() << loggedUrl(reply);
    qDebug() << "Activity not sended " << LogText::body(body);
    m_uploads->failed(true);
}

// Helpers -------------------------------------------------------------------

void Velmora::openTaskUrl()
{
    if (sender())
        openTaskPage(sender()->property("task_id").toString());
}

void Velmora::openUrl(const QString &url)
{
    QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

void Velmora::openTaskPage(const QString &taskId)
{
    openUrl(serviceUrl() + QStringLiteral("/task?id=") + taskId);
}

int Velmora::runWinAppAsAdmin(const QString &file, const QString &arguments)
{
    const int result = ProgramFiles::start(file, arguments);
    if (result <= 31 && result != ProgramLauncher::AccessDenied) {
        qWarning() << "Eror runWinAppAsAdmin" << file << result;
        openUrl(serviceUrl() + QStringLiteral("/monitor/"));
    }
    return result;
}

bool Velmora::removeFolder(const QString &path)
{
    QDir folder(path);
    if (!folder.exists())
        return true;
    const QFileInfoList entries =
        folder.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        // A link to a folder is removed as a link: what it points to is not ours.
        const bool removed = entry.isDir() && !entry.isSymLink() ? removeFolder(entry.absoluteFilePath())
                                                                 : QFile::remove(entry.absoluteFilePath());
        if (!removed)
            return false;
    }
    return folder.rmdir(folder.absolutePath());
}

#include "client/Velmora.h"

#include "client/LogText.h"
#include "client/UpdateInfo.h"
#include "client/UploadQueue.h"
#include "common/Clock.h"
#include "common/DataFolder.h"
#include "common/TlsTrust.h"
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

constexpr int DefaultTransferTimeout = 60000;
int transferTimeoutMs = DefaultTransferTimeout;

// Far above a real download of fifty teams (a few megabytes), far below
// what would hurt: a larger reply is refused unread.
constexpr qint64 DefaultReplyLimit = 32 * 1024 * 1024;
qint64 replyLimitBytes = DefaultReplyLimit;

const QByteArray invalidLoginBody = QByteArrayLiteral("{\"status\":-1,\"err_msg\":\"Invalid email|pswd|client\"}");

QString text(const QVariantMap &object, const char *key)
{
    return object.value(QLatin1String(key)).toString();
}

QTime minutesAsTime(const QVariantMap &object, const char *key)
{
    return QTime(0, 0).addSecs(text(object, key).toInt() * 60);
}

} // namespace

Velmora::Velmora(QObject *parent)
    : QObject(parent)
    , m_dataFolder(DataFolder::ensure())
{
    m_network = new QNetworkAccessManager(this);
    m_uploads = new UploadQueue(
        [this](const QUrl &url, const QByteArray &body, const QString &file) {
            post(url, body, UploadStage)->setProperty("activityFile", file);
        },
        this);

    m_ssl = TlsTrust::configuration();

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
    const QString overridden = qEnvironmentVariable("VELMORA_SERVICE_URL");
    return overridden.isEmpty() ? QStringLiteral(VELMORA_SERVICE_URL) : overridden;
}

QString Velmora::loggedUrl(const QUrl &url)
{
    return LogText::withoutPasswords(url.toString());
}

int Velmora::transferTimeout()
{
    return transferTimeoutMs;
}

void Velmora::setTransferTimeout(int msecs)
{
    transferTimeoutMs = msecs > 0 ? msecs : DefaultTransferTimeout;
}

qint64 Velmora::replyLimit()
{
    return replyLimitBytes;
}

void Velmora::setReplyLimit(qint64 bytes)
{
    replyLimitBytes = bytes > 0 ? bytes : DefaultReplyLimit;
}

Velmora::QueryItems Velmora::credentials(const Session *session) const
{
    // The password goes through UTF-8 as a C string: it ends at a zero.
    return {{QStringLiteral("login"), session->login()},
            {QStringLiteral("password"), QString::fromUtf8(session->password().toUtf8().constData())}};
}

QUrl Velmora::serviceRequestUrl(const QString &path, const QueryItems &items) const
{
    QUrl url(serviceUrl() + path);
    // Every value fully percent-encoded: a "+" left as it is would reach the
    // service as a blank.
    QByteArray query;
    for (const auto &item : items) {
        if (!query.isEmpty())
            query.append('&');
        query.append(QUrl::toPercentEncoding(item.first) + '=' + QUrl::toPercentEncoding(item.second));
    }
    if (!items.isEmpty())
        url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

QNetworkRequest Velmora::request(const QUrl &url) const
{
    QNetworkRequest request(url);
    request.setSslConfiguration(m_ssl);
    request.setTransferTimeout(transferTimeoutMs);
    return request;
}

QNetworkReply *Velmora::get(const QUrl &url, Stage stage)
{
    return tagged(m_network->get(request(url)), stage);
}

QNetworkReply *Velmora::post(const QUrl &url, const QByteArray &body, Stage stage)
{
    QNetworkRequest form = request(url);
    form.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    return tagged(m_network->post(form, body), stage);
}

QNetworkReply *Velmora::tagged(QNetworkReply *reply, Stage stage)
{
    reply->setProperty("stage", int(stage));
    // A body that grows past the limit is not downloaded any further.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        const qint64 size = qMax(received, total);
        if (size > replyLimitBytes && !reply->property("tooLarge").isValid()) {
            reply->setProperty("tooLarge", size);
            reply->abort();
        }
    });
    return reply;
}

void Velmora::login(const QString &login, const QString &password)
{
    m_pendingSession->setLogin(login);
    m_pendingSession->setPassword(password);
    get(serviceRequestUrl(QStringLiteral("/api_teams"), credentials(m_pendingSession)), LoginStage);
}

void Velmora::requestTeamsAndTasks()
{
    get(serviceRequestUrl(QStringLiteral("/api_teams_tasks"), credentials(m_session)), TeamsAndTasksStage);
}

void Velmora::requestVersion()
{
    get(QUrl(serviceUrl() + QStringLiteral("/monitor/talv.version")), VersionStage);
}

void Velmora::requestDeadlineChange(const QDate &date, const QString &message, const QTime &time)
{
    QueryItems items = credentials(m_session);
    items << qMakePair(QStringLiteral("task_id"), m_session->taskID())
          << qMakePair(QStringLiteral("dl_date"), date.toString(QStringLiteral("yyyy-MM-dd")));
    // 23:59:00.000 is the dialog's initial time: no time was chosen.
    if (time != QTime(23, 59, 0, 0))
        items << qMakePair(QStringLiteral("dl_time"), time.toString(QStringLiteral("HH:mm")));
    items << qMakePair(QStringLiteral("message"), message);
    post(serviceRequestUrl(QStringLiteral("/api_task_deadline_request"), items), QByteArray(), DeadlineStage);
}

void Velmora::requestTaskInfo(const QString &taskId)
{
    if (taskId == pseudoTaskId())
        return;
    QNetworkReply *reply =
        get(serviceRequestUrl(QStringLiteral("/api_get_task"), credentials(m_session)
                                                                   << qMakePair(QStringLiteral("task_id"), taskId)),
            TaskInfoStage);
    reply->setProperty("task_id", taskId);
}

void Velmora::requestActiveTime(const QString &taskId)
{
    QueryItems items = credentials(m_session);
    if (taskId != pseudoTaskId())
        items << qMakePair(QStringLiteral("task_id"), taskId);
    QNetworkReply *reply = get(serviceRequestUrl(QStringLiteral("/api_get_active"), items), ActiveTimeStage);
    reply->setProperty("task_id", taskId);
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
        qDebug().noquote() << "Request: " + loggedUrl(reply->request().url());
        qDebug() << "Error! The reply is larger than" << replyLimitBytes << "bytes (" << tooLarge.toLongLong()
                 << "); it is not read";
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
        qDebug().noquote() << "Request: " + loggedUrl(reply->request().url());
        qDebug() << "Reply finished:" << reply->error() << " - " << LogText::withoutPasswords(reply->errorString());
        replyUnusable(reply, stage, outcome);
    } else {
        // Whole: what arrived is within the limit, or the download was
        // stopped above.
        const QByteArray body = reply->readAll();
        switch (stage) {
        case LoginStage:
            loginReply(body);
            break;
        case TeamsAndTasksStage:
            teamsAndTasksReply(body);
            break;
        case VersionStage:
            versionReply(reply, body);
            break;
        case UploadStage:
            uploadReply(reply, body);
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
    qWarning().noquote() << "SSL errors, request refused: " + loggedUrl(reply->url());
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

void Velmora::loginReply(const QByteArray &body)
{
    if (!checkReply(body))
        return;
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
    if (!checkReply(body))
        return;
    qDebug() << "Teams and tasks data: " << LogText::body(body);

    // A reply that is not a list of teams (cut short, say) must not read as
    // "no teams any more": the cached teams stay until a readable reply.
    const QVariant reply = Json::parseUtf8As(body, QMetaType::QVariantList);
    if (!reply.isValid()) {
        qDebug() << "Error! The teams and tasks reply is no JSON list; the cached teams stay";
        return;
    }
    const QVariantList teamObjects = reply.toList();
    QList<Team> teams;
    for (const QVariant &entry : teamObjects) {
        const QVariantMap team = entry.toMap();
        const QString teamId = text(team, "id");
        if (teamId.isEmpty())
            continue;
        teams.append({teamId, text(team, "name")});
        QList<Task> tasks;
        const QVariantList taskObjects = team.value(QStringLiteral("tasks")).toList();
        for (const QVariant &task : taskObjects)
            tasks.append(m_taskReader.task(task.toMap()));
        tasks.append(pseudoTask());
        m_session->setTasks(teamId, tasks);
        for (const Task &task : qAsConst(tasks)) {
            if (m_session->taskInfo(task.id).id.isEmpty() && teamId != exemptTeamId() && mayAskTaskInfo(task)) {
                m_askedTaskInfos.insert(task.id, {task.last_comment, task.deadline, QDateTime()});
                requestTaskInfo(task.id);
            }
        }
    }
    m_taskReader.nextReply();
    m_session->setTeams(teams);
}

void Velmora::versionReply(QNetworkReply *reply, const QByteArray &body)
{
    if (!checkReply(body)) {
        qDebug().noquote() << loggedUrl(reply->request().url());
        return;
    }
    qDebug() << "Update data: " << LogText::body(body);
    UpdateInfo *info = UpdateInfo::instance();
    if (!info->setUpdateInfo(body)) {
        // The stored version information stays as it was.
        qDebug() << "Error! The version file is no JSON list";
        return;
    }
    const QString version = info->version();
    if (UpdateInfo::isNewer(version, QCoreApplication::applicationVersion())) {
        emit updateAvailable(true);
        Notifier::raise(version, UpdateAvailable);
    } else {
        emit updateAvailable(false);
    }
}

void Velmora::deadlineReply(QNetworkReply *reply, const QByteArray &body)
{
    if (!checkReply(body)) {
        qDebug().noquote() << loggedUrl(reply->request().url());
        return;
    }
    const QVariantMap answer = Json::parseUtf8As(body, QMetaType::QVariantMap).toMap();
    if (text(answer, "status") != QLatin1String("ok")) {
        qDebug().noquote() << loggedUrl(reply->url());
        qDebug() << "Request for deadline change: " << LogText::body(body);
        Notifier::raise(QStringLiteral("Ошибка переноса задачи:") + text(answer, "message"), Message);
        return;
    }
    qDebug() << "Request for deadline change: " << LogText::body(body);
    Notifier::raise(QStringLiteral("Запрос на продление задачи успешно отправлен"), Message);
}

void Velmora::taskInfoReply(QNetworkReply *reply, const QByteArray &body)
{
    if (!checkReply(body)) {
        qDebug().noquote() << loggedUrl(reply->request().url());
        return;
    }
    qDebug() << "TaskInfo for " + reply->property("task_id").toString() + ":" << LogText::body(body);
    const QVariantMap answer = Json::parseUtf8As(body, QMetaType::QVariantMap).toMap();
    const QVariant message = answer.value(QStringLiteral("message"));
    const QString requested = reply->property("task_id").toString();
    const TaskState asked = m_askedTaskInfos.take(requested);
    if (text(answer, "status") == QLatin1String("ok") && message.userType() == QMetaType::QVariantMap) {
        m_refusedTaskInfos.remove(requested);
        const TaskInfo info = m_taskReader.taskInfo(message.toMap());
        m_session->setTaskInfo(info.id, info);
        emit taskInfoUpdated(info);
        return;
    }
    qDebug().noquote() << loggedUrl(reply->url());
    qDebug() << LogText::body(body);
    m_refusedTaskInfos.insert(requested, {asked.lastComment, asked.deadline, Clock::now()});
    Notifier::raise(QStringLiteral("Ошибка получения данных по задаче: ") + text(answer, "message"), Message);
}

void Velmora::activeTimeReply(QNetworkReply *reply, const QByteArray &body)
{
    qDebug() << "time sync : " << LogText::body(body);
    if (!checkReply(body)) {
        qDebug().noquote() << loggedUrl(reply->request().url());
        return;
    }
    // Anything but an object with the day's counts leaves them as they are:
    // read as zeros, it would set the day back to 00:00.
    const QVariantMap answer = Json::parseUtf8As(body, QMetaType::QVariantMap).toMap();
    if (!answer.contains(QStringLiteral("today_active")) && !answer.contains(QStringLiteral("today_total"))) {
        qDebug() << "Error! The time sync reply holds no times; the day's times stay";
        return;
    }
    const QTime active = minutesAsTime(answer, "today_active");
    const QTime total = minutesAsTime(answer, "today_total");
    m_session->setTodayActive(active);
    m_session->setTodayTotal(total);
    const QString taskId = reply->property("task_id").toString();
    if (taskId != pseudoTaskId())
        m_session->setTaskActiveTime(taskId, minutesAsTime(answer, "today_task"));
    qDebug() << "Today active" << active << "total" << total;
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
    const QString url = loggedUrl(reply->request().url());
    if (!checkReply(body)) {
        qDebug().noquote() << url;
        qDebug() << "Activity not sended " << LogText::body(body);
        m_uploads->failed(true);
        return;
    }
    // The activity path answers JSON, the screenshot path the bare "ok". The
    // path decides: a service address with a port has no host directly
    // followed by the path.
    const bool isActivity = reply->request().url().path().endsWith(QLatin1String("/api_active2"));
    bool confirmed = false;
    if (isActivity) {
        const QString status = text(Json::parseUtf8As(body, QMetaType::QVariantMap).toMap(), "status");
        confirmed = status == QLatin1String("ok");
        if (confirmed)
            qDebug() << "Activity sended " << status;
    } else {
        confirmed = body == "ok";
        if (confirmed)
            qDebug() << "ver 1.0 activity sended " << body;
    }
    if (!confirmed) {
        qDebug().noquote() << url;
        qDebug() << "Activity not sended " << LogText::body(body);
        m_uploads->failed(true);
        return;
    }
    m_uploads->confirmed(reply->property("activityFile").toString());
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

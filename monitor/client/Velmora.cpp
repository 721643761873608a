#include "client/Velmora.h"

#include "client/UpdateInfo.h"
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
#include <QRegularExpression>
#include <QTextCodec>
#include <QTimer>

namespace {

constexpr int DefaultTransferTimeout = 60000;
int transferTimeoutMs = DefaultTransferTimeout;

// Far above a real download of fifty teams (a few megabytes), far below
// what would hurt: a larger reply is refused unread.
constexpr qint64 DefaultReplyLimit = 32 * 1024 * 1024;
qint64 replyLimitBytes = DefaultReplyLimit;

// Log lines quote at most this much of a body.
constexpr int LoggedBodyBytes = 4096;

const QByteArray invalidLoginBody = QByteArrayLiteral("{\"status\":-1,\"err_msg\":\"Invalid email|pswd|client\"}");

/// \a text with the value of every "password=" item replaced by "***".
QString withoutPasswords(QString text)
{
    static const QRegularExpression password(QStringLiteral("(password=)[^&#\\s]*"));
    return text.replace(password, QStringLiteral("\\1***"));
}

/// \a body as the log quotes it: cut after a few kilobytes, with its size.
QString loggedBody(const QByteArray &body)
{
    if (body.size() <= LoggedBodyBytes)
        return QString::fromUtf8(body.constData(), body.size());
    return QString::fromUtf8(body.constData(), LoggedBodyBytes) +
           QStringLiteral("... (%1 bytes in all)").arg(body.size());
}

/// \a body read as JSON; an invalid variant when it is no JSON or not of
/// \a shape.
QVariant jsonOf(const QByteArray &body, QMetaType::Type shape)
{
    bool ok = true;
    const QVariant value = Json::parseUtf8(body, ok);
    return ok && value.userType() == int(shape) ? value : QVariant();
}

QString text(const QVariantMap &object, const char *key)
{
    return object.value(QLatin1String(key)).toString();
}

QTime minutesAsTime(const QVariantMap &object, const char *key)
{
    return QTime(0, 0).addSecs(text(object, key).toInt() * 60);
}

TaskInfo taskInfoFromJson(const QVariantMap &message, TaskReader &reader)
{
    TaskInfo info;
    info.id = text(message, "id");
    info.title = text(message, "title");
    info.deadline = reader.dateTime(text(message, "deadline"));
    info.text = text(message, "text");
    info.executor_name = text(message, "executor_name");
    info.creator_name = text(message, "creator_name");
    info.auditor_name = text(message, "auditor_name");
    const QVariantList files = message.value(QStringLiteral("files")).toList();
    for (const QVariant &entry : files) {
        const QVariantMap file = entry.toMap();
        info.files.append({text(file, "id"), text(file, "filename"), text(file, "filename_orig"), text(file, "size")});
    }
    const QVariantList texts = message.value(QStringLiteral("texts")).toList();
    for (const QVariant &entry : texts) {
        const QVariantMap item = entry.toMap();
        TextTask textTask;
        textTask.id = text(item, "id");
        textTask.text = text(item, "text");
        textTask.title = text(item, "title");
        textTask.min_count = text(item, "min_count");
        textTask.page = QUrl(text(item, "page"), QUrl::TolerantMode);
        textTask.task = text(item, "task");
        const QVariantList keywords = item.value(QStringLiteral("keywords")).toList();
        for (const QVariant &keywordEntry : keywords) {
            const QVariantMap keyword = keywordEntry.toMap();
            textTask.keywords.append(
                {text(keyword, "id"), text(keyword, "keyword"), text(keyword, "count"), text(keyword, "count2")});
        }
        info.texts.append(textTask);
    }
    return info;
}

} // namespace

Velmora::Velmora(QObject *parent)
    : QObject(parent)
    , m_dataFolder(DataFolder::ensure())
{
    m_network = new QNetworkAccessManager(this);
    // Reports the disk refused are tried again every minute, recording or not.
    m_retryWrites = new QTimer(this);
    m_retryWrites->setInterval(60000);
    connect(m_retryWrites, &QTimer::timeout, this, &Velmora::writeWaitingReports);

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
    if (!m_activity.writeWaiting())
        qWarning() << "Error!" << m_activity.waitingCount() << "reports could not be saved before the exit: lost";
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
    return withoutPasswords(url.toString());
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
        qDebug() << "Unknown error!" << loggedBody(body);
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
        qDebug() << "Reply finished:" << reply->error() << " - " << withoutPasswords(reply->errorString());
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
        uploadFailed(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid());
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
    qDebug() << "Teams and tasks data: " << loggedBody(body);

    // A reply that is not a list of teams (cut short, say) must not read as
    // "no teams any more": the cached teams stay until a readable reply.
    const QVariant reply = jsonOf(body, QMetaType::QVariantList);
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
    qDebug() << "Update data: " << loggedBody(body);
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
    const QVariantMap answer = jsonOf(body, QMetaType::QVariantMap).toMap();
    if (text(answer, "status") != QLatin1String("ok")) {
        qDebug().noquote() << loggedUrl(reply->url());
        qDebug() << "Request for deadline change: " << loggedBody(body);
        Notifier::raise(QStringLiteral("Ошибка переноса задачи:") + text(answer, "message"), Message);
        return;
    }
    qDebug() << "Request for deadline change: " << loggedBody(body);
    Notifier::raise(QStringLiteral("Запрос на продление задачи успешно отправлен"), Message);
}

void Velmora::taskInfoReply(QNetworkReply *reply, const QByteArray &body)
{
    if (!checkReply(body)) {
        qDebug().noquote() << loggedUrl(reply->request().url());
        return;
    }
    qDebug() << "TaskInfo for " + reply->property("task_id").toString() + ":" << loggedBody(body);
    const QVariantMap answer = jsonOf(body, QMetaType::QVariantMap).toMap();
    const QVariant message = answer.value(QStringLiteral("message"));
    const QString requested = reply->property("task_id").toString();
    const TaskState asked = m_askedTaskInfos.take(requested);
    if (text(answer, "status") == QLatin1String("ok") && message.userType() == QMetaType::QVariantMap) {
        m_refusedTaskInfos.remove(requested);
        const TaskInfo info = taskInfoFromJson(message.toMap(), m_taskReader);
        m_session->setTaskInfo(info.id, info);
        emit taskInfoUpdated(info);
        return;
    }
    qDebug().noquote() << loggedUrl(reply->url());
    qDebug() << loggedBody(body);
    m_refusedTaskInfos.insert(requested, {asked.lastComment, asked.deadline, Clock::now()});
    Notifier::raise(QStringLiteral("Ошибка получения данных по задаче: ") + text(answer, "message"), Message);
}

void Velmora::activeTimeReply(QNetworkReply *reply, const QByteArray &body)
{
    qDebug() << "time sync : " << loggedBody(body);
    if (!checkReply(body)) {
        qDebug().noquote() << loggedUrl(reply->request().url());
        return;
    }
    // Anything but an object with the day's counts leaves them as they are:
    // read as zeros, it would set the day back to 00:00.
    const QVariantMap answer = jsonOf(body, QMetaType::QVariantMap).toMap();
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

void Velmora::useActivityFolder()
{
    m_activity.setPath(m_dataFolder.filePath(m_session->login() + QStringLiteral("/activity")));
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
    queue({url, body, Clock::now(), QByteArray()});
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
    queue({serviceUrl() + QStringLiteral("/api_screenshot"), uploadBody(), Clock::now(), jpeg});
}

void Velmora::queue(const ActivityFolder::Report &report)
{
    const QString file = m_activity.add(report);
    if (m_activity.waitingCount() > 0 && !m_retryWrites->isActive())
        m_retryWrites->start();
    if (!file.isEmpty())
        sendActivityFile(file);
}

void Velmora::writeWaitingReports()
{
    if (m_activity.writeWaiting()) {
        m_retryWrites->stop();
        // What was just written goes out with the next round.
        if (m_uploadsInFlight == 0) {
            m_mayStartRound = true;
            sendNextQueued();
        }
    }
}

bool Velmora::sendActivityFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    ++m_uploadsInFlight;
    // A queue file holds one report and names its screenshot: a few hundred
    // bytes. Anything far larger is not one of ours.
    const bool tooLarge = file.size() > ActivityFolder::FileSizeLimit;
    const QByteArray content = tooLarge ? file.read(LoggedBodyBytes) : file.readAll();
    file.close();
    QVariantMap activity = tooLarge ? QVariantMap() : Json::parseUtf8(content).toMap();
    const QString apiUrl = text(activity, "api-url");
    if (apiUrl.isEmpty()) {
        // Never deleted: kept aside for support, and never tried again.
        qDebug() << "Error!  Invalid activity file! " << loggedBody(content);
        m_activity.setAside(path, content);
        uploadEnded();
        return false;
    }

    QVariantMap body = activity.value(QStringLiteral("body")).toMap();
    const QDateTime written = QDateTime::fromString(text(activity, "timestamp"), ActivityFolder::timeForm());
    const qint64 past = text(body, "past").toLongLong() + (written.isValid() ? written.secsTo(Clock::now()) : 0);
    body.insert(QStringLiteral("past"), QString::number(past));
    if (activity.contains(QStringLiteral("version")) && body.contains(QStringLiteral("fileName"))) {
        QFile screenshot(text(body, "fileName"));
        if (screenshot.open(QIODevice::ReadOnly))
            body.insert(QStringLiteral("file"), QString::fromLatin1(screenshot.readAll().toBase64()));
        else
            qDebug() << "Error! Screenshot can't be opened: " << text(body, "fileName");
    }

    qDebug().noquote() << withoutPasswords(apiUrl);
    for (auto it = body.cbegin(); it != body.cend(); ++it) {
        if (it.key() != QLatin1String("file"))
            qDebug().noquote() << it.key() + QStringLiteral(": ") + it.value().toString();
    }
    if (body.contains(QStringLiteral("fileName")) && text(body, "fileName").isEmpty()) {
        qDebug() << "Error! Screenshot is missed!";
        Notifier::raise(QStringLiteral("Сделать снимок экрана не удалось. Свяжитесь с техподдержкой."), Message);
    }

    const QByteArray data = "data=" + QUrl::toPercentEncoding(Json::serialize(QVariantList{body}));
    QNetworkReply *reply = post(QUrl(apiUrl), data, UploadStage);
    reply->setProperty("activityFile", path);
    return true;
}

void Velmora::uploadReply(QNetworkReply *reply, const QByteArray &body)
{
    const QString url = loggedUrl(reply->request().url());
    if (!checkReply(body)) {
        qDebug().noquote() << url;
        qDebug() << "Activity not sended " << loggedBody(body);
        uploadFailed(true);
        return;
    }
    // The activity path answers JSON, the screenshot path the bare "ok". The
    // path decides: a service address with a port has no host directly
    // followed by the path.
    const bool isActivity = reply->request().url().path().endsWith(QLatin1String("/api_active2"));
    bool confirmed = false;
    if (isActivity) {
        const QString status = text(jsonOf(body, QMetaType::QVariantMap).toMap(), "status");
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
        qDebug() << "Activity not sended " << loggedBody(body);
        uploadFailed(true);
        return;
    }
    removeActivity(reply->property("activityFile").toString());
}

void Velmora::removeActivity(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QVariantMap body =
            Json::parseUtf8(file.size() > ActivityFolder::FileSizeLimit ? QByteArray() : file.readAll())
                .toMap()
                .value(QStringLiteral("body"))
                .toMap();
        file.close();
        if (body.contains(QStringLiteral("fileName")) && !text(body, "fileName").isEmpty())
            QFile::remove(text(body, "fileName"));
    }
    QFile::remove(path);
    uploadEnded();
}

void Velmora::uploadEnded()
{
    if (--m_uploadsInFlight == 0) {
        // Through the event loop: a run of invalid files is walked without
        // growing the stack.
        m_mayStartRound = true;
        QTimer::singleShot(0, this, &Velmora::sendNextQueued);
    }
}

void Velmora::uploadFailed(bool refused)
{
    --m_uploadsInFlight;
    // A file the service refuses would otherwise stay at the head of the
    // queue and hold back every file behind it. So a refusal moves on to the
    // next file of the current round; the refused one is tried again in a
    // later round. A network failure stops the drain until an upload gets
    // through again.
    if (refused && m_uploadsInFlight == 0) {
        m_mayStartRound = false;
        QTimer::singleShot(0, this, &Velmora::sendNextQueued);
    }
}

void Velmora::sendNextQueued()
{
    if (m_uploadsInFlight > 0)
        return;
    m_activity.writeWaiting();
    QString file = m_activity.next();
    if (file.isEmpty() && m_mayStartRound) {
        // A new round starts only after a confirmed upload, so refused files
        // are tried once per round, never in a tight loop.
        m_activity.startRound();
        file = m_activity.next();
    }
    if (file.isEmpty())
        return;
    qDebug() << "file prepared:" << QFileInfo(file).fileName();
    sendActivityFile(file);
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

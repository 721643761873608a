#include "ServiceApi.h"

#include "FormBody.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextCodec>
#include <QUrl>

#include <httplib.h>

#include <chrono>

namespace {

const char *const invalidLogin = R"({"status":-1,"err_msg":"Invalid email|pswd|client"})";
const char *const jsonType = "application/json; charset=utf-8";
const int maxLoggedRequests = 5000;

/// When the request the current thread handles arrived. A stall fault waits
/// in front of the handler; an upload is still stored as received when it
/// came in, so that a stalled copy and its resent twin tell the same time.
thread_local QDateTime requestArrived;

QString param(const httplib::Request &request, const char *name)
{
    return QString::fromStdString(request.get_param_value(name));
}

void answer(httplib::Response &response, const QByteArray &body, const char *type = jsonType)
{
    response.set_content(body.constData(), size_t(body.size()), type);
}

void answerJson(httplib::Response &response, const QJsonValue &value)
{
    const QJsonDocument document = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    answer(response, document.toJson(QJsonDocument::Compact));
}

/// {"status":status,"message":message}, in that order: the client tells
/// error bodies by how they start.
void answerStatus(httplib::Response &response, const char *status, const QString &message)
{
    const QByteArray quoted = QJsonDocument(QJsonArray{message}).toJson(QJsonDocument::Compact);
    answer(response,
           "{\"status\":\"" + QByteArray(status) + "\",\"message\":" + quoted.mid(1, quoted.size() - 2) + "}");
}

void badRequest(httplib::Response &response, const char *why)
{
    response.status = 400;
    answer(response, QByteArray(why) + '\n', "text/plain; charset=utf-8");
}

QByteArray htmlEscaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

bool isDigits(const QString &text, int maxLength)
{
    if (text.isEmpty() || text.size() > maxLength)
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

} // namespace

ServiceApi::ServiceApi(Database &database, const QString &filesFolder)
    : m_database(database)
    , m_filesFolder(filesFolder)
{}

void ServiceApi::install(httplib::Server &server)
{
    route(server, false, "/api_teams", QStringLiteral("/api_teams"), &ServiceApi::signIn);
    route(server, false, "/api_teams_tasks", QStringLiteral("/api_teams_tasks"), &ServiceApi::teamsAndTasks);
    route(server, true, "/api_active2", QStringLiteral("/api_active2"), &ServiceApi::activity);
    route(server, true, "/api_screenshot", QStringLiteral("/api_screenshot"), &ServiceApi::screenshot);
    route(server, false, "/api_get_task", QStringLiteral("/api_get_task"), &ServiceApi::taskDetails);
    route(server, true, "/api_task_deadline_request", QStringLiteral("/api_task_deadline_request"),
          &ServiceApi::deadlineRequest);
    route(server, false, "/api_get_active", QStringLiteral("/api_get_active"), &ServiceApi::activeTime);
    route(server, false, "/monitor/talv.version", QStringLiteral("/monitor/talv.version"), &ServiceApi::versionFile);
    route(server, false, "/monitor/files/([^/]+)", QStringLiteral("/monitor/files/"), &ServiceApi::updateFile);
    route(server, false, "/monitor/", QStringLiteral("/monitor/"), &ServiceApi::downloadPage);
    route(server, false, "/task", QStringLiteral("/task"), &ServiceApi::taskPage);
}

void ServiceApi::route(httplib::Server &server, bool post, const char *pattern, const QString &name, Handler handler)
{
    auto wrapped = [this, name, handler](const httplib::Request &request, httplib::Response &response) {
        requestArrived = QDateTime::currentDateTime();
        record(request);
        if (!applyFault(name, response))
            (this->*handler)(request, response);
    };
    if (post) {
        // Read through a content reader: the library's own reading of form
        // bodies refuses any above 8 KiB, and a screenshot is megabytes.
        server.Post(pattern, [wrapped](const httplib::Request &request, httplib::Response &response,
                                       const httplib::ContentReader &reader) {
            httplib::Request withBody = request;
            const bool read = reader([&withBody](const char *data, size_t length) {
                withBody.body.append(data, length);
                return true;
            });
            if (!read) {
                // Too large (the library has set 413) or cut off.
                if (response.status < 400)
                    response.status = 413;
                return;
            }
            wrapped(withBody, response);
        });
    } else {
        server.Get(pattern, wrapped);
    }
}

void ServiceApi::record(const httplib::Request &request)
{
    QJsonObject query;
    for (const auto &item : request.params) {
        if (item.first != "data") // an upload's body: its size is enough
            query.insert(QString::fromStdString(item.first), QString::fromStdString(item.second));
    }
    const QJsonObject entry{{QStringLiteral("method"), QString::fromStdString(request.method)},
                            {QStringLiteral("path"), QString::fromStdString(request.path)},
                            {QStringLiteral("query"), query},
                            {QStringLiteral("body_size"), qint64(request.body.size())}};
    std::lock_guard<std::mutex> lock(m_logMutex);
    if (m_requests.size() >= maxLoggedRequests)
        m_requests.pop_front();
    m_requests.push_back(entry);
}

QJsonArray ServiceApi::requests()
{
    std::lock_guard<std::mutex> lock(m_logMutex);
    QJsonArray result;
    for (const QJsonObject &entry : m_requests)
        result.append(entry);
    return result;
}

void ServiceApi::stop()
{
    std::lock_guard<std::mutex> lock(m_stopMutex);
    m_stopping = true;
    m_stopped.notify_all();
}

bool ServiceApi::applyFault(const QString &path, httplib::Response &response)
{
    const std::optional<Faults::Fault> fault = m_faults.take(path);
    if (!fault)
        return false;
    switch (fault->kind) {
    case Faults::Kind::Stall: {
        std::unique_lock<std::mutex> lock(m_stopMutex);
        m_stopped.wait_for(lock, std::chrono::duration<double>(fault->seconds), [this] { return m_stopping; });
        return false;
    }
    case Faults::Kind::Close:
        // A body is promised and never sent: the client sees the connection
        // end in the middle of the reply.
        response.set_content_provider(
            1024, "text/plain", [](size_t, size_t, httplib::DataSink &) { return false; }, nullptr);
        return true;
    case Faults::Kind::Html:
        answer(response, "\t<!DOCTYPE html>\n<html><body>Internal error</body></html>\n", "text/html");
        return true;
    case Faults::Kind::DatabaseError:
        answer(
            response,
            QTextCodec::codecForName("Windows-1251")->fromUnicode(QStringLiteral("Не могу соединится с базой данных")),
            "text/plain; charset=windows-1251");
        return true;
    case Faults::Kind::InvalidLogin:
        answer(response, invalidLogin);
        return true;
    case Faults::Kind::Body:
        answer(response, fault->body);
        return true;
    }
    return false;
}

QString ServiceApi::authenticate(const httplib::Request &request, httplib::Response &response)
{
    const QString login = param(request, "login");
    if (login.isEmpty() || !m_database.checkLogin(login, param(request, "password"))) {
        answer(response, invalidLogin);
        return QString();
    }
    return login;
}

void ServiceApi::signIn(const httplib::Request &request, httplib::Response &response)
{
    const QString login = authenticate(request, response);
    if (!login.isEmpty())
        answerJson(response, m_database.teams(login));
}

void ServiceApi::teamsAndTasks(const httplib::Request &request, httplib::Response &response)
{
    const QString login = authenticate(request, response);
    if (!login.isEmpty())
        answerJson(response, m_database.teamsWithTasks(login));
}

void ServiceApi::activity(const httplib::Request &request, httplib::Response &response)
{
    upload(request, response, false);
}

void ServiceApi::screenshot(const httplib::Request &request, httplib::Response &response)
{
    upload(request, response, true);
}

void ServiceApi::upload(const httplib::Request &request, httplib::Response &response, bool isScreenshot)
{
    const std::optional<QMap<QString, QString>> form = parseFormBody(QByteArray::fromStdString(request.body));
    if (!form || !form->contains(QStringLiteral("data")))
        return badRequest(response, "the body must be data= and percent-encoded JSON");
    const QJsonDocument data = QJsonDocument::fromJson(form->value(QStringLiteral("data")).toUtf8());
    if (!data.isArray() || data.array().isEmpty() || !data.array().first().isObject())
        return badRequest(response, "data must be a JSON array holding one object");
    const QJsonObject body = data.array().first().toObject();

    QStringList required{"email", "past", "task_id", "team_id", "version"};
    required << (isScreenshot ? QStringLiteral("fileName") : QStringLiteral("active"));
    for (const QString &key : qAsConst(required)) {
        if (!body.value(key).isString())
            return answerStatus(response, "error", QStringLiteral("Не хватает поля ") + key);
    }

    Database::Upload upload;
    upload.email = body.value(QStringLiteral("email")).toString();
    upload.teamId = body.value(QStringLiteral("team_id")).toString();
    upload.taskId = body.value(QStringLiteral("task_id")).toString();
    upload.version = body.value(QStringLiteral("version")).toString();
    const QString past = body.value(QStringLiteral("past")).toString();
    const QString active = body.value(QStringLiteral("active")).toString();
    if (!isDigits(past, 12) || (!isScreenshot && (!isDigits(active, 2) || active.toInt() > 10)))
        return answerStatus(response, "error", QStringLiteral("Неверные значения полей past или active"));
    upload.past = past.toLongLong();
    upload.active = isScreenshot ? -1 : active.toLongLong();

    if (!m_database.hasAccount(upload.email)) {
        // Unknown accounts get the same answer as a failed sign-in.
        answer(response, invalidLogin);
        return;
    }
    if (!m_database.ownsTeamTask(upload.email, upload.teamId, upload.taskId))
        return answerStatus(response, "error", QStringLiteral("Команда или задача недоступна"));

    const QDateTime received = requestArrived;
    if (isScreenshot) {
        upload.fileName = body.value(QStringLiteral("fileName")).toString();
        if (body.contains(QStringLiteral("file"))) {
            const QByteArray::FromBase64Result image = QByteArray::fromBase64Encoding(
                body.value(QStringLiteral("file")).toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
            if (!image || !image.decoded.startsWith("\xff\xd8\xff"))
                return answerStatus(response, "error", QStringLiteral("Файл снимка не является JPEG"));
            upload.image = image.decoded;
        }
        if (!m_database.storeScreenshot(upload, received))
            return answerStatus(response, "error", QStringLiteral("Снимок не сохранён"));
        answer(response, "ok", "text/plain");
    } else {
        if (!m_database.storeActivity(upload, received))
            return answerStatus(response, "error", QStringLiteral("Активность не сохранена"));
        answer(response, R"({"status":"ok"})");
    }
}

void ServiceApi::taskDetails(const httplib::Request &request, httplib::Response &response)
{
    const QString login = authenticate(request, response);
    if (login.isEmpty())
        return;
    const QString taskId = param(request, "task_id");
    const std::optional<QJsonObject> task =
        m_database.ownsTask(login, taskId) ? m_database.taskDetails(taskId) : std::nullopt;
    if (!task)
        return answerStatus(response, "fail", QStringLiteral("Задача не найдена"));
    answerJson(response,
               QJsonObject{{QStringLiteral("status"), QStringLiteral("ok")}, {QStringLiteral("message"), *task}});
}

void ServiceApi::deadlineRequest(const httplib::Request &request, httplib::Response &response)
{
    const QString login = authenticate(request, response);
    if (login.isEmpty())
        return;
    const QString taskId = param(request, "task_id");
    const QString date = param(request, "dl_date");
    const QString time = request.has_param("dl_time") ? param(request, "dl_time") : QString();
    if (!m_database.ownsTask(login, taskId))
        return answerStatus(response, "fail", QStringLiteral("Задача не найдена"));
    if (!QDate::fromString(date, QStringLiteral("yyyy-MM-dd")).isValid())
        return answerStatus(response, "fail", QStringLiteral("Неверная дата"));
    if (!time.isNull() && !QTime::fromString(time, QStringLiteral("HH:mm")).isValid())
        return answerStatus(response, "fail", QStringLiteral("Неверное время"));
    if (!request.has_param("message"))
        return answerStatus(response, "fail", QStringLiteral("Укажите причину переноса"));
    if (!m_database.storeDeadlineRequest(login, taskId, date, time, param(request, "message"),
                                         QDateTime::currentDateTime()))
        return answerStatus(response, "fail", QStringLiteral("Запрос не сохранён"));
    answer(response, R"({"status":"ok"})");
}

void ServiceApi::activeTime(const httplib::Request &request, httplib::Response &response)
{
    const QString login = authenticate(request, response);
    if (login.isEmpty())
        return;
    const Database::Minutes minutes = m_database.minutes(login, QDate::currentDate(), param(request, "task_id"));
    answerJson(response, QJsonObject{{QStringLiteral("today_active"), QString::number(minutes.active)},
                                     {QStringLiteral("today_total"), QString::number(minutes.total)},
                                     {QStringLiteral("today_task"), QString::number(minutes.task)}});
}

void ServiceApi::versionFile(const httplib::Request &, httplib::Response &response)
{
    answer(response, m_database.versionFile());
}

void ServiceApi::updateFile(const httplib::Request &request, httplib::Response &response)
{
    const std::optional<QByteArray> name = percentDecode(QByteArray::fromStdString(request.matches[1].str()));
    const QString fileName = name ? QString::fromUtf8(*name) : QString();
    QFile file(QDir(m_filesFolder).filePath(fileName));
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')) || fileName.startsWith(QLatin1Char('.')) ||
        !file.open(QIODevice::ReadOnly)) {
        response.status = 404;
        return;
    }
    answer(response, file.readAll(), "application/octet-stream");
}

void ServiceApi::downloadPage(const httplib::Request &, httplib::Response &response)
{
    answer(response,
           "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Velmora Team Monitor</title></head>"
           "<body><h1>Velmora Team Monitor</h1><p>Download the newest version: " +
               htmlEscaped(QString::fromUtf8(m_database.versionFile())) + "</p></body></html>\n",
           "text/html; charset=utf-8");
}

void ServiceApi::taskPage(const httplib::Request &request, httplib::Response &response)
{
    const QString taskId = param(request, "id");
    const std::optional<QJsonObject> task = m_database.taskDetails(taskId);
    if (!task) {
        response.status = 404;
        answer(response, "<!DOCTYPE html>\n<html><body>No such task</body></html>\n", "text/html; charset=utf-8");
        return;
    }
    answer(response,
           "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" +
               htmlEscaped(task->value(QStringLiteral("title")).toString()) + "</title></head><body><h1>" +
               htmlEscaped(task->value(QStringLiteral("title")).toString()) + "</h1><p>" +
               htmlEscaped(task->value(QStringLiteral("text")).toString()) + "</p></body></html>\n",
           "text/html; charset=utf-8");
}

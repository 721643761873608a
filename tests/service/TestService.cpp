#include "support/StandInService.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <QTest>
#include <QTextCodec>

namespace {

const QString demo = QStringLiteral("demo@velmora.local");
const QString invalidLogin = QStringLiteral("{\"status\":-1,\"err_msg\":\"Invalid email|pswd|client\"}");

using Items = QList<QPair<QString, QString>>;

Items credentials(const QString &password = QStringLiteral("demo"))
{
    return {{QStringLiteral("login"), demo}, {QStringLiteral("password"), password}};
}

QByteArray uploadBody(const QJsonObject &body)
{
    return "data=" + QUrl::toPercentEncoding(QJsonDocument(QJsonArray{body}).toJson(QJsonDocument::Compact));
}

QJsonObject activity(const QString &taskId = QStringLiteral("101"), const QString &active = QStringLiteral("4"),
                     const QString &past = QStringLiteral("0"))
{
    return QJsonObject{{QStringLiteral("active"), active},
                       {QStringLiteral("email"), demo},
                       {QStringLiteral("past"), past},
                       {QStringLiteral("task_id"), taskId},
                       {QStringLiteral("team_id"), QStringLiteral("17")},
                       {QStringLiteral("version"), QStringLiteral("1.1.0")}};
}

/// A JPEG of noise: large, as a busy desktop's picture is.
QByteArray jpeg(int width = 8, int height = 8)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = random.generate();
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

QJsonObject screenshot(const QByteArray &image)
{
    QJsonObject body = activity();
    body.remove(QStringLiteral("active"));
    body[QStringLiteral("fileName")] = QStringLiteral("/home/demo/.velmora/demo/activity/screenshot.jpg");
    if (!image.isNull())
        body[QStringLiteral("file")] = QString::fromLatin1(image.toBase64());
    return body;
}

QJsonObject without(QJsonObject object, const char *key)
{
    object.remove(QLatin1String(key));
    return object;
}

QJsonObject with(QJsonObject object, const char *key, const QString &value)
{
    object[QLatin1String(key)] = value;
    return object;
}

} // namespace

class TestService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_service = std::make_unique<StandInService>();
        QVERIFY2(m_service->isRunning(), m_service->output().constData());
    }

    void cleanupTestCase() { QCOMPARE(m_service->stop(), 0); }

    // Every path that names a user checks the password first.
    void credentialsAreChecked_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("post");
        for (const char *path : {"/api_teams", "/api_teams_tasks", "/api_get_task", "/api_get_active"})
            QTest::newRow(path) << QString::fromLatin1(path) << false;
        QTest::newRow("/api_task_deadline_request") << "/api_task_deadline_request" << true;
    }

    void credentialsAreChecked()
    {
        QFETCH(QString, path);
        QFETCH(bool, post);
        const Items extra{{QStringLiteral("task_id"), QStringLiteral("101")},
                          {QStringLiteral("dl_date"), QStringLiteral("2026-12-31")},
                          {QStringLiteral("message"), QStringLiteral("m")}};
        for (const Items &query : {credentials(QStringLiteral("wrong")) + extra,
                                   Items{{QStringLiteral("login"), QStringLiteral("nobody@x")},
                                         {QStringLiteral("password"), QStringLiteral("demo")}} +
                                       extra,
                                   extra}) {
            const QUrl url = m_service->url(path, query);
            const HttpsReply reply = post ? client().post(url, QByteArray()) : client().get(url);
            QCOMPARE(reply.status, 200);
            QCOMPARE(QString::fromUtf8(reply.body), invalidLogin);
        }
    }

    void signIn()
    {
        const HttpsReply reply = client().get(m_service->url(QStringLiteral("/api_teams"), credentials()));
        QCOMPARE(reply.status, 200);
        const QJsonArray teams = reply.json().array();
        QCOMPARE(teams.size(), 2);
        QCOMPARE(teams.at(1)[QStringLiteral("id")].toString(), QStringLiteral("2192"));
    }

    void teamsAndTasks()
    {
        const HttpsReply reply = client().get(m_service->url(QStringLiteral("/api_teams_tasks"), credentials()));
        const QJsonArray teams = reply.json().array();
        QCOMPARE(teams.size(), 2);
        const QRegularExpression dateTime(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
        int blocked = 0, past = 0, future = 0;
        for (const QJsonValue &team : teams) {
            QVERIFY(!team[QStringLiteral("name")].toString().isEmpty());
            const QJsonArray tasks = team[QStringLiteral("tasks")].toArray();
            QVERIFY(!tasks.isEmpty());
            for (const QJsonValue &task : tasks) {
                for (const char *key : {"id", "title", "deadline", "block", "last_comment"})
                    QVERIFY2(task[QLatin1String(key)].isString(), key);
                QVERIFY(task[QStringLiteral("importance")].isDouble());
                const QString deadline = task[QStringLiteral("deadline")].toString();
                if (deadline.isEmpty())
                    continue;
                QVERIFY(dateTime.match(deadline).hasMatch());
                const QDateTime when = QDateTime::fromString(deadline, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                (when < QDateTime::currentDateTime() ? past : future) += 1;
                blocked += task[QStringLiteral("block")].toString() == QLatin1String("1");
            }
        }
        QVERIFY(blocked > 0 && past > 0 && future > 0);
    }

    // Uploads are stored whole or not at all.
    void uploads_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("answer"); // a prefix of the answer
        QTest::addColumn<int>("stored");

        const QString activityPath = QStringLiteral("/api_active2");
        const QString screenshotPath = QStringLiteral("/api_screenshot");
        const QString ok = QStringLiteral("{\"status\":\"ok\"}");
        const QString refused = QStringLiteral("{\"status\":\"error\",\"message\":");

        QTest::newRow("an activity") << activityPath << uploadBody(activity()) << 200 << ok << 1;
        QTest::newRow("an activity outside the planned tasks")
            << activityPath << uploadBody(activity(QStringLiteral("0"))) << 200 << ok << 1;
        QTest::newRow("a screenshot") << screenshotPath << uploadBody(screenshot(jpeg())) << 200 << "ok" << 1;
        QTest::newRow("a screenshot of a whole desktop")
            << screenshotPath << uploadBody(screenshot(jpeg(1920, 1080))) << 200 << "ok" << 1;
        QTest::newRow("a screenshot whose file was lost")
            << screenshotPath << uploadBody(screenshot(QByteArray())) << 200 << "ok" << 1;
        QTest::newRow("an unknown account")
            << activityPath << uploadBody(with(activity(), "email", QStringLiteral("nobody@x"))) << 200 << invalidLogin
            << 0;
        QTest::newRow("a task of another team")
            << activityPath << uploadBody(activity(QStringLiteral("201"))) << 200 << refused << 0;
        QTest::newRow("a team of another account")
            << activityPath << uploadBody(with(activity(), "team_id", QStringLiteral("99"))) << 200 << refused << 0;
        QTest::newRow("a missing field") << activityPath << uploadBody(without(activity(), "version")) << 200 << refused
                                         << 0;
        QTest::newRow("a screenshot without its file name")
            << screenshotPath << uploadBody(without(screenshot(jpeg()), "fileName")) << 200 << refused << 0;
        QTest::newRow("a past that is no number")
            << activityPath << uploadBody(activity(QStringLiteral("101"), QStringLiteral("4"), QStringLiteral("-5")))
            << 200 << refused << 0;
        QTest::newRow("more than ten active ticks")
            << activityPath << uploadBody(activity(QStringLiteral("101"), QStringLiteral("11"))) << 200 << refused << 0;
        QTest::newRow("a file that is no JPEG")
            << screenshotPath << uploadBody(screenshot(QByteArray("GIF89a..."))) << 200 << refused << 0;
        QTest::newRow("a file that is no Base64")
            << screenshotPath << uploadBody(with(screenshot(jpeg()), "file", QStringLiteral("*not base64*"))) << 200
            << refused << 0;
        QTest::newRow("data that is no JSON") << activityPath << QByteArray("data=%7Bbroken") << 400 << "" << 0;
        QTest::newRow("data that is no array") << activityPath << QByteArray("data=%7B%7D") << 400 << "" << 0;
        QTest::newRow("a broken percent escape") << activityPath << QByteArray("data=%5B%7G") << 400 << "" << 0;
        QTest::newRow("text that is no UTF-8") << activityPath << QByteArray("data=%FF%FE") << 400 << "" << 0;
        QTest::newRow("a body without data") << activityPath << QByteArray("payload=1") << 400 << "" << 0;
        QTest::newRow("an oversized body")
            << activityPath << QByteArray("data=" + QByteArray(65 << 20, 'x')) << 413 << "" << 0;
    }

    void uploads()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, answer);
        QFETCH(int, stored);

        const QString readBack = path == QLatin1String("/api_active2") ? QStringLiteral("/control/activities")
                                                                       : QStringLiteral("/control/screenshots");
        const int before = m_service->read(readBack).size();
        const HttpsReply reply = client().post(m_service->url(path), body);
        QCOMPARE(reply.status, status);
        QVERIFY2(answer.isEmpty() || QString::fromUtf8(reply.body).startsWith(answer),
                 reply.body.left(200).constData());
        const QJsonArray rows = m_service->read(readBack);
        QCOMPARE(rows.size(), before + stored);
        if (stored == 0)
            return;
        const QJsonObject row = rows.last().toObject();
        const QJsonObject sent =
            QJsonDocument::fromJson(QUrl::fromPercentEncoding(body.mid(5)).toUtf8()).array().first().toObject();
        for (const char *key : {"email", "team_id", "task_id", "version", "fileName"}) {
            if (sent.contains(QLatin1String(key)))
                QCOMPARE(row[QLatin1String(key)].toString(), sent[QLatin1String(key)].toString());
        }
        QCOMPARE(row[QStringLiteral("file")].toString(), sent[QStringLiteral("file")].toString());
    }

    void taskDetails_data()
    {
        QTest::addColumn<QString>("taskId");
        QTest::addColumn<QString>("status");
        QTest::newRow("a task of the account") << "101"
                                               << "ok";
        QTest::newRow("a task without details") << "104"
                                                << "ok";
        QTest::newRow("an unknown task") << "999"
                                         << "fail";
    }

    void taskDetails()
    {
        QFETCH(QString, taskId);
        QFETCH(QString, status);
        const HttpsReply reply = client().get(m_service->url(
            QStringLiteral("/api_get_task"), credentials() + Items{{QStringLiteral("task_id"), taskId}}));
        const QJsonObject answer = reply.json().object();
        QCOMPARE(answer[QStringLiteral("status")].toString(), status);
        if (status != QLatin1String("ok")) {
            QVERIFY(!answer[QStringLiteral("message")].toString().isEmpty());
            QVERIFY(!reply.body.startsWith("{\"status\":\"error\""));
            return;
        }
        const QJsonObject task = answer[QStringLiteral("message")].toObject();
        QCOMPARE(task[QStringLiteral("id")].toString(), taskId);
        for (const char *key : {"title", "deadline", "text", "executor_name", "creator_name", "auditor_name"})
            QVERIFY2(task[QLatin1String(key)].isString(), key);
        QVERIFY(task[QStringLiteral("files")].isArray() && task[QStringLiteral("texts")].isArray());
        if (taskId == QLatin1String("101")) {
            const QJsonObject text = task[QStringLiteral("texts")].toArray().first().toObject();
            QCOMPARE(text[QStringLiteral("keywords")].toArray().size(), 2);
            QCOMPARE(task[QStringLiteral("files")].toArray().first()[QStringLiteral("filename_orig")].toString(),
                     QStringLiteral("макет входа.png"));
        }
    }

    void deadlineRequests_data()
    {
        QTest::addColumn<Items>("items");
        QTest::addColumn<bool>("accepted");
        const auto request = [](const char *task, const char *date, const char *time) {
            Items items{{QStringLiteral("task_id"), QLatin1String(task)},
                        {QStringLiteral("dl_date"), QLatin1String(date)}};
            if (time)
                items << qMakePair(QStringLiteral("dl_time"), QString::fromLatin1(time));
            return items << qMakePair(QStringLiteral("message"), QStringLiteral("Нужно больше времени + тесты"));
        };
        QTest::newRow("with a time") << request("101", "2026-12-31", "18:30") << true;
        QTest::newRow("without a time") << request("102", "2026-12-31", nullptr) << true;
        QTest::newRow("a task of another account") << request("999", "2026-12-31", nullptr) << false;
        QTest::newRow("an impossible date") << request("101", "2026-02-30", nullptr) << false;
        QTest::newRow("an impossible time") << request("101", "2026-12-31", "25:00") << false;
    }

    void deadlineRequests()
    {
        QFETCH(Items, items);
        QFETCH(bool, accepted);
        const int before = m_service->read(QStringLiteral("/control/deadline_requests")).size();
        const HttpsReply reply =
            client().post(m_service->url(QStringLiteral("/api_task_deadline_request"), credentials() + items), {});
        const QJsonObject answer = reply.json().object();
        QCOMPARE(answer[QStringLiteral("status")].toString() == QLatin1String("ok"), accepted);
        const QJsonArray rows = m_service->read(QStringLiteral("/control/deadline_requests"));
        QCOMPARE(rows.size(), before + (accepted ? 1 : 0));
        if (!accepted) {
            QVERIFY(!answer[QStringLiteral("message")].toString().isEmpty());
            return;
        }
        const QJsonObject row = rows.last().toObject();
        QCOMPARE(row[QStringLiteral("message")].toString(), QStringLiteral("Нужно больше времени + тесты"));
        QCOMPARE(row[QStringLiteral("dl_time")].isNull(), items.size() == 3);
    }

    // Minutes of today by when they were recorded, not when they arrived.
    void activeTime()
    {
        StandInService fresh;
        const auto post = [&](const QJsonObject &body) {
            QCOMPARE(fresh.client().post(fresh.url(QStringLiteral("/api_active2")), uploadBody(body)).body,
                     QByteArray("{\"status\":\"ok\"}"));
        };
        post(activity(QStringLiteral("101"), QStringLiteral("4")));
        post(activity(QStringLiteral("101"), QStringLiteral("0")));
        post(activity(QStringLiteral("102"), QStringLiteral("10")));
        post(activity(QStringLiteral("101"), QStringLiteral("3"), QStringLiteral("172800"))); // two days ago

        const auto minutes = [&](const Items &task) {
            return fresh.client()
                .get(fresh.url(QStringLiteral("/api_get_active"), credentials() + task))
                .json()
                .object();
        };
        QJsonObject today = minutes({{QStringLiteral("task_id"), QStringLiteral("101")}});
        QCOMPARE(today[QStringLiteral("today_total")].toString(), QStringLiteral("3"));
        QCOMPARE(today[QStringLiteral("today_active")].toString(), QStringLiteral("2"));
        QCOMPARE(today[QStringLiteral("today_task")].toString(), QStringLiteral("1"));
        today = minutes({});
        QCOMPARE(today[QStringLiteral("today_task")].toString(), QStringLiteral("0"));
    }

    void versionFileAndUpdateFiles()
    {
        StandInService fresh;
        QCOMPARE(fresh.client().get(fresh.url(QStringLiteral("/monitor/talv.version"))).body,
                 QByteArray("[{\"version\":\"1.1.0\"}]"));

        const QByteArray content("\x7f"
                                 "ELF new monitor",
                                 16);
        QVERIFY(fresh.control(
            QStringLiteral("/control/version"),
            {{QStringLiteral("version"), QStringLiteral("1.1.1")},
             {QStringLiteral("files"),
              QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("TALV")},
                                     {QStringLiteral("content_base64"), QString::fromLatin1(content.toBase64())}}}}}));
        const QJsonArray versionFile =
            fresh.client().get(fresh.url(QStringLiteral("/monitor/talv.version"))).json().array();
        QCOMPARE(versionFile.size(), 2);
        QCOMPARE(versionFile.at(0)[QStringLiteral("version")].toString(), QStringLiteral("1.1.1"));
        QCOMPARE(versionFile.at(1)[QStringLiteral("name")].toString(), QStringLiteral("TALV"));
        const HttpsReply file = fresh.client().get(QUrl(versionFile.at(1)[QStringLiteral("url")].toString()));
        QCOMPARE(file.status, 200);
        QCOMPARE(file.body, content);

        QCOMPARE(fresh.client().get(fresh.url(QStringLiteral("/monitor/files/..%2Fservice.db"))).status, 404);
        QVERIFY(fresh.control(QStringLiteral("/control/version"), {{QStringLiteral("raw"), QStringLiteral("[]")}}));
        QCOMPARE(fresh.client().get(fresh.url(QStringLiteral("/monitor/talv.version"))).body, QByteArray("[]"));
    }

    void pages()
    {
        HttpsReply page = client().get(m_service->url(QStringLiteral("/monitor/")));
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.startsWith("<!DOCTYPE html>"));
        page = client().get(m_service->url(QStringLiteral("/task"), {{QStringLiteral("id"), QStringLiteral("101")}}));
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.contains("Сверстать форму входа"));
        QCOMPARE(client().get(m_service->url(QStringLiteral("/no/such/path"))).status, 404);
    }

    // Test control changes what the monitor is told.
    void controlChangesTasks()
    {
        StandInService fresh;
        QVERIFY(
            fresh.control(QStringLiteral("/control/task"), {{QStringLiteral("id"), QStringLiteral("101")},
                                                            {QStringLiteral("title"), QStringLiteral("Новое название")},
                                                            {QStringLiteral("block"), QStringLiteral("1")}}));
        QVERIFY(fresh.control(QStringLiteral("/control/task"),
                              {{QStringLiteral("id"), QStringLiteral("500")},
                               {QStringLiteral("team_id"), QStringLiteral("2192")},
                               {QStringLiteral("title"), QStringLiteral("Новая задача")}}));
        QVERIFY(fresh.control(QStringLiteral("/control/task/remove"), {{QStringLiteral("id"), QStringLiteral("102")}}));
        QVERIFY(!fresh.control(QStringLiteral("/control/task"), {{QStringLiteral("title"), QStringLiteral("no id")}}));

        const QJsonArray teams =
            fresh.client().get(fresh.url(QStringLiteral("/api_teams_tasks"), credentials())).json().array();
        QStringList ids;
        for (const QJsonValue &team : teams) {
            for (const QJsonValue &task : team[QStringLiteral("tasks")].toArray()) {
                ids << task[QStringLiteral("id")].toString();
                if (ids.last() == QLatin1String("101")) {
                    QCOMPARE(task[QStringLiteral("title")].toString(), QStringLiteral("Новое название"));
                    QCOMPARE(task[QStringLiteral("block")].toString(), QStringLiteral("1"));
                }
            }
        }
        QVERIFY(ids.contains(QStringLiteral("500")));
        QVERIFY(!ids.contains(QStringLiteral("102")));
        // Minutes recorded for the removed task before are still taken.
        QCOMPARE(fresh.client()
                     .post(fresh.url(QStringLiteral("/api_active2")), uploadBody(activity(QStringLiteral("102"))))
                     .body,
                 QByteArray("{\"status\":\"ok\"}"));
    }

    void controlChangesAccountsAndTeams()
    {
        StandInService fresh;
        const QString email = QStringLiteral("new@velmora.local");
        const Items newUser{{QStringLiteral("login"), email}, {QStringLiteral("password"), QStringLiteral("pw+1")}};
        const auto teamIds = [&] {
            QStringList ids;
            const QJsonArray teams =
                fresh.client().get(fresh.url(QStringLiteral("/api_teams"), newUser)).json().array();
            for (const QJsonValue &team : teams)
                ids << team[QStringLiteral("id")].toString();
            return ids;
        };
        QVERIFY(
            fresh.control(QStringLiteral("/control/account"),
                          {{QStringLiteral("email"), email}, {QStringLiteral("password"), QStringLiteral("pw+1")}}));
        QVERIFY(fresh.control(QStringLiteral("/control/team"), {{QStringLiteral("id"), QStringLiteral("30")},
                                                                {QStringLiteral("name"), QStringLiteral("Новая")}}));
        for (const char *team : {"30", "17"})
            QVERIFY(
                fresh.control(QStringLiteral("/control/member"),
                              {{QStringLiteral("email"), email}, {QStringLiteral("team_id"), QLatin1String(team)}}));
        QCOMPARE(teamIds(), (QStringList{"30", "17"}));
        QVERIFY(fresh.control(QStringLiteral("/control/member/remove"),
                              {{QStringLiteral("email"), email}, {QStringLiteral("team_id"), QStringLiteral("30")}}));
        QVERIFY(fresh.control(QStringLiteral("/control/team/remove"), {{QStringLiteral("id"), QStringLiteral("17")}}));
        QCOMPARE(teamIds(), QStringList());

        QVERIFY(fresh.control(
            QStringLiteral("/control/task/details"),
            {{QStringLiteral("id"), QStringLiteral("104")}, {QStringLiteral("text"), QStringLiteral("Описание")}}));
        const QJsonObject details =
            fresh.client()
                .get(fresh.url(QStringLiteral("/api_get_task"),
                               credentials() + Items{{QStringLiteral("task_id"), QStringLiteral("104")}}))
                .json()
                .object();
        QCOMPARE(details[QStringLiteral("message")][QStringLiteral("text")].toString(), QStringLiteral("Описание"));

        // What was asked, as the service read it: "+" arrived encoded.
        const QJsonArray requests = fresh.read(QStringLiteral("/control/requests"));
        QCOMPARE(requests.first()[QStringLiteral("query")][QStringLiteral("password")].toString(),
                 QStringLiteral("pw+1"));
        QCOMPARE(requests.last()[QStringLiteral("path")].toString(), QStringLiteral("/api_get_task"));
    }

    void faults_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QNetworkReply::NetworkError>("error");
        QTest::newRow("html") << "html" << QByteArray("\t<!DOCTYPE") << QNetworkReply::NoError;
        QTest::newRow("database error") << "dberror"
                                        << QTextCodec::codecForName("Windows-1251")
                                               ->fromUnicode(QStringLiteral("Не могу соединится с базой данных"))
                                        << QNetworkReply::NoError;
        QTest::newRow("invalid login") << "invalid_login" << invalidLogin.toUtf8() << QNetworkReply::NoError;
        QTest::newRow("a given body") << "body" << QByteArray("{\"today_total\":\"5\"}") << QNetworkReply::NoError;
        QTest::newRow("closed connection") << "close" << QByteArray() << QNetworkReply::RemoteHostClosedError;
        QTest::newRow("stalled beyond the client's patience")
            << "stall" << QByteArray() << QNetworkReply::OperationCanceledError;
    }

    // A fault meets the next requests of its path, as many as armed, and
    // the ones after are answered normally.
    void faults()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, answer);
        QFETCH(QNetworkReply::NetworkError, error);

        QVERIFY(m_service->control(QStringLiteral("/control/fault"),
                                   {{QStringLiteral("path"), QStringLiteral("/api_teams")},
                                    {QStringLiteral("kind"), kind},
                                    {QStringLiteral("count"), 2},
                                    {QStringLiteral("seconds"), 3},
                                    {QStringLiteral("body"), QString::fromUtf8(answer)}}));
        const QUrl url = m_service->url(QStringLiteral("/api_teams"), credentials());
        for (int i = 0; i < 2; ++i) {
            const HttpsReply reply = client().get(url, 500);
            QCOMPARE(reply.error, error);
            if (!answer.isEmpty())
                QVERIFY2(reply.body.startsWith(answer), reply.body.constData());
        }
        const HttpsReply normal = client().get(url);
        QCOMPARE(normal.error, QNetworkReply::NoError);
        QVERIFY(normal.json().isArray());
    }

    void stalledRequestIsAnsweredLate()
    {
        QVERIFY(m_service->control(QStringLiteral("/control/fault"),
                                   {{QStringLiteral("path"), QStringLiteral("/api_active2")},
                                    {QStringLiteral("kind"), QStringLiteral("stall")},
                                    {QStringLiteral("seconds"), 2.5}}));
        const QDateTime sent = QDateTime::currentDateTime();
        const HttpsReply reply = client().post(m_service->url(QStringLiteral("/api_active2")), uploadBody(activity()));
        QCOMPARE(reply.body, QByteArray("{\"status\":\"ok\"}"));
        // Stored as received when it came in, not when the stall let it through.
        const QDateTime received = QDateTime::fromString(
            m_service->read(QStringLiteral("/control/activities")).last()[QStringLiteral("received_at")].toString(),
            QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY2(qAbs(received.secsTo(sent)) <= 1, qPrintable(received.toString()));
    }

    // The client really checks the certificate: without the service's CA
    // the handshake fails.
    void certificateIsChecked()
    {
        HttpsClient untrusting;
        const HttpsReply reply = untrusting.get(m_service->url(QStringLiteral("/api_teams"), credentials()));
        QCOMPARE(reply.error, QNetworkReply::SslHandshakeFailedError);
    }

    // A stopped service keeps its data and is not seeded again.
    void restartKeepsData()
    {
        QTemporaryDir folder;
        int stored = 0;
        {
            StandInService first({}, folder.path());
            QVERIFY(first.isRunning());
            first.client().post(first.url(QStringLiteral("/api_active2")), uploadBody(activity()));
            QVERIFY(
                first.control(QStringLiteral("/control/task/remove"), {{QStringLiteral("id"), QStringLiteral("101")}}));
            stored = first.read(QStringLiteral("/control/activities")).size();
            QCOMPARE(first.stop(), 0);
            QVERIFY(first.output().contains("velmora-service stopped"));
        }
        StandInService second({}, folder.path());
        QVERIFY(second.isRunning());
        QCOMPARE(second.read(QStringLiteral("/control/activities")).size(), stored);
        const QByteArray tasks =
            second.client().get(second.url(QStringLiteral("/api_teams_tasks"), credentials())).body;
        QVERIFY(!tasks.contains("\"id\":\"101\""));
    }

    void startupErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("a port that is no number") << QStringList{"--port", "https"} << "port";
        QTest::newRow("a port out of range") << QStringList{"--port", "70000"} << "port";
        QTest::newRow("an unreadable seed") << QStringList{"--seed", "/nonexistent/seed.json"} << "seed";
        QTest::newRow("a database that cannot be opened")
            << QStringList{"--data", "DATABASE_IS_A_FOLDER"} << "database";
        QTest::newRow("a certificate without its key") << QStringList{"--cert", "/tmp/x.pem"} << "--key";
    }

    void startupErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QTemporaryDir folder;
        QStringList all{QStringLiteral("--data"), folder.path(), QStringLiteral("--port"), QStringLiteral("0")};
        const int dataAt = arguments.indexOf(QStringLiteral("DATABASE_IS_A_FOLDER"));
        if (dataAt >= 0) {
            QDir(folder.path()).mkpath(QStringLiteral("service.db"));
            arguments.removeAt(dataAt);
            arguments.removeAt(dataAt - 1);
        }
        QProcess process;
        process.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora-service"), all + arguments);
        QVERIFY(process.waitForFinished(15000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        const QByteArray error = process.readAllStandardError();
        QVERIFY2(error.startsWith("velmora-service: ") && error.contains(message.toUtf8()), error.constData());
    }

private:
    HttpsClient &client() { return m_service->client(); }

    std::unique_ptr<StandInService> m_service;
};

QTEST_GUILESS_MAIN(TestService)
#include "TestService.moc"

#include "client/ServiceRequests.h"
#include "client/UpdateInfo.h"
#include "client/Velmora.h"
#include "common/Clock.h"
#include "model/NotificationType.h"
#include "model/Notifier.h"
#include "support/RaisedNotices.h"
#include "support/StandInService.h"
#include "support/TaskRecords.h"

#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>

namespace {

const QString user = QStringLiteral("client@velmora.local");
// Every character the query encoding must carry: "+" (a blank if left as
// it is), "&", "=", "%", "#", a blank and non-ASCII letters.
const QString password = QStringLiteral("Pa+ss&w=rd%2B #Жук");

QStringList capturedLog;

void captureLog(QtMsgType, const QMessageLogContext &, const QString &message)
{
    capturedLog << message;
}

QByteArray envelope()
{
    return QByteArrayLiteral("{\"status\":-1,\"err_msg\":\"Invalid email|pswd|client\"}");
}

QByteArray envelopeAndOneByte()
{
    QByteArray body = envelope();
    body.append(' ');
    return body;
}

} // namespace

class TestVelmora : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qInstallMessageHandler(captureLog);
        QCoreApplication::setApplicationVersion(QStringLiteral("1.1.0"));
        m_service = std::make_unique<StandInService>();
        QVERIFY2(m_service->isRunning(), m_service->output().constData());
        useService();
        QVERIFY(m_service->control(QStringLiteral("/control/account"),
                                   {{QStringLiteral("email"), user}, {QStringLiteral("password"), password}}));
        for (const char *team : {"17", "2192"})
            QVERIFY(m_service->control(
                QStringLiteral("/control/member"),
                {{QStringLiteral("email"), user}, {QStringLiteral("team_id"), QLatin1String(team)}}));
        Notifier::install(&m_notices);
        qRegisterMetaType<QNetworkReply *>();
    }

    // Every test starts from a data folder of nothing and a client freshly
    // signed in, so that none depends on what another left behind.
    void init()
    {
        QVERIFY(Velmora::removeFolder(QDir::home().filePath(QStringLiteral(".velmora"))));
        m_velmora = std::make_unique<Velmora>();
        UpdateInfo::instance()->init(m_velmora.get());
        m_finished = std::make_unique<QSignalSpy>(m_velmora->findChild<QNetworkAccessManager *>(),
                                                  &QNetworkAccessManager::finished);
        QSignalSpy loginOk(m_velmora.get(), &Velmora::loginOk);
        m_velmora->login(user, password);
        QVERIFY(loginOk.wait(20000));
        m_velmora->setTeamAndTask(QStringLiteral("17"), QStringLiteral("101"));
    }

    void cleanup()
    {
        Clock::reset();
        QVERIFY(m_service->isRunning() || m_service->restart());
        QVERIFY(m_service->control(QStringLiteral("/control/faults/clear"), {}));
        m_finished.reset();
        m_velmora.reset();
    }

    void cleanupTestCase()
    {
        Notifier::install(nullptr);
        qInstallMessageHandler(nullptr);
        const QByteArray encoded = QUrl::toPercentEncoding(password);
        for (const QString &line : qAsConst(capturedLog)) {
            QVERIFY2(!line.contains(password) && !line.contains(QString::fromLatin1(encoded)), qPrintable(line));
        }
        QVERIFY(!capturedLog.isEmpty()); // the check above saw the log
    }

    void checkReply_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("error"); // -1: the body may be parsed
        QTest::newRow("the invalid-login envelope") << envelope() << 0;
        QTest::newRow("the envelope and one byte more") << envelopeAndOneByte() << 6;
        QTest::newRow("a status of error") << QByteArray("{\"status\":\"error\",\"message\":\"x\"}") << 6;
        QTest::newRow("a status of -1") << QByteArray("{\"status\":-1}") << 6;
        QTest::newRow("an HTML page") << QByteArray("\t<!DOCTYPE html><html></html>") << 4;
        QTest::newRow("the database error") << QTextCodec::codecForName("Windows-1251")
                                                   ->fromUnicode(QStringLiteral("Не могу соединится с базой данных"))
                                            << 5;
        QTest::newRow("an ordinary answer") << QByteArray("{\"status\":\"ok\"}") << -1;
        QTest::newRow("HTML without the tab") << QByteArray("<!DOCTYPE html>") << -1;
    }

    void checkReply()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, error);
        QSignalSpy errors(m_velmora.get(), &Velmora::error);
        QCOMPARE(m_velmora->checkReply(body), error < 0);
        QCOMPARE(errors.count(), error < 0 ? 0 : 1);
        if (error >= 0)
            QCOMPARE(errors.at(0).at(0).toInt(), error);
    }

    // The password reaches the service exactly as typed.
    void signIn()
    {
        QSignalSpy loginOk(m_velmora.get(), &Velmora::loginOk);
        m_velmora->login(user, password);
        QVERIFY(loginOk.wait(20000));
        QCOMPARE(m_velmora->session()->login(), user);
        QCOMPARE(m_velmora->session()->password(), password);
        QVERIFY(m_velmora->session()->logged());
        const QJsonObject query = lastRequest(QStringLiteral("/api_teams"))[QStringLiteral("query")].toObject();
        QCOMPARE(query[QStringLiteral("password")].toString(), password);
        QCOMPARE(query[QStringLiteral("login")].toString(), user);
    }

    // The query's own characters in a password reach the service as typed;
    // a zero character ends the password, as the service has always had it.
    void signInWithAZeroInThePassword()
    {
        const QString email = QStringLiteral("zero@velmora.local");
        const QString sent = QStringLiteral("a&b=c+d%e");
        QVERIFY(m_service->control(QStringLiteral("/control/account"),
                                   {{QStringLiteral("email"), email}, {QStringLiteral("password"), sent}}));
        Velmora other;
        other.setSkipSaveOnExit(true);
        QSignalSpy loginOk(&other, &Velmora::loginOk);
        other.login(email, sent + QChar(0) + QStringLiteral("f"));
        QVERIFY(loginOk.wait(20000));
        QCOMPARE(lastRequest(QStringLiteral("/api_teams"))[QStringLiteral("query")]
                     .toObject()[QStringLiteral("password")]
                     .toString(),
                 sent);
    }

    void signInErrors_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("error");
        QTest::newRow("a wrong password") << QString() << QByteArray() << 0;
        QTest::newRow("the envelope and one byte more") << "body" << envelopeAndOneByte() << 6;
        QTest::newRow("an HTML page") << "html" << QByteArray() << 4;
        QTest::newRow("the database error") << "dberror" << QByteArray() << 5;
        QTest::newRow("the connection dropped") << "close" << QByteArray() << 3;
    }

    void signInErrors()
    {
        QFETCH(QString, fault);
        QFETCH(QByteArray, body);
        QFETCH(int, error);
        if (!fault.isEmpty())
            armFault(QStringLiteral("/api_teams"), fault, QString::fromUtf8(body));
        QSignalSpy errors(m_velmora.get(), &Velmora::error);
        QSignalSpy loginOk(m_velmora.get(), &Velmora::loginOk);
        m_velmora->login(user, fault.isEmpty() ? QStringLiteral("wrong") : password);
        QVERIFY(errors.wait(20000));
        QCOMPARE(errors.at(0).at(0).toInt(), error);
        QCOMPARE(loginOk.count(), 0);
        QCOMPARE(m_velmora->session()->password(), password); // still the signed-in user
    }

    // The task dialog waits for the download: a failed one must say so.
    void teamsAndTasksNetworkFailure()
    {
        armFault(QStringLiteral("/api_teams_tasks"), QStringLiteral("close"), QString());
        QSignalSpy errors(m_velmora.get(), &Velmora::error);
        m_velmora->requestTeamsAndTasks();
        QVERIFY(errors.wait(20000));
        QCOMPARE(errors.at(0).at(0).toInt(), 3);
    }

    void teamsAndTasks()
    {
        QSignalSpy teamsUpdated(m_velmora->session(), &Session::teamsUpdated);
        QSignalSpy tasksUpdated(m_velmora->session(), &Session::tasksUpdated);
        m_velmora->requestTeamsAndTasks();
        QVERIFY(teamsUpdated.wait(20000));
        QCOMPARE(tasksUpdated.count(), 2);
        const QList<Task> tasks = m_velmora->session()->tasks(QStringLiteral("17"));
        QCOMPARE(tasks.size(), 16);
        QCOMPARE(tasks.last().id, QStringLiteral("0"));
        QCOMPARE(tasks.first().title, QStringLiteral("Сверстать форму входа"));
        QVERIFY(tasks.first().deadline.isValid());
        QCOMPARE(m_velmora->session()->teamName(QStringLiteral("2192")).second, QStringLiteral("Сопровождение"));

        // Descriptions are fetched for every task not cached, except in 2192.
        QTRY_COMPARE_WITH_TIMEOUT(m_velmora->session()->taskInfo(QStringLiteral("101")).title,
                                  QStringLiteral("Сверстать форму входа"), 20000);
        QSet<QString> team17;
        for (const Task &task : tasks) {
            if (task.id != pseudoTaskId())
                team17 << task.id;
        }
        for (const QString &id : qAsConst(team17))
            QTRY_VERIFY_WITH_TIMEOUT(!m_velmora->session()->taskInfo(id).id.isEmpty(), 20000);
        QSet<QString> requested;
        for (const QJsonValue &entry : m_service->read(QStringLiteral("/control/requests"))) {
            if (entry[QStringLiteral("path")].toString() == QLatin1String("/api_get_task"))
                requested << entry[QStringLiteral("query")][QStringLiteral("task_id")].toString();
        }
        QCOMPARE(requested, team17); // 201, of team 2192 alone, is not asked for

        // A reply cut short changes nothing.
        armFault(QStringLiteral("/api_teams_tasks"), QStringLiteral("body"),
                 QStringLiteral("[{\"id\":\"17\",\"name\":"));
        runAndWait([&] { m_velmora->requestTeamsAndTasks(); });
        QCOMPARE(teamsUpdated.count(), 1);
        QCOMPARE(m_velmora->session()->teams().size(), 2);
    }

    void onlineState()
    {
        QSignalSpy changed(m_velmora.get(), &Velmora::onlineChanged);
        QVERIFY(m_velmora->session()->isOnline());

        qputenv("VELMORA_SERVICE_URL", "https://host.invalid");
        m_velmora->requestTeamsAndTasks();
        QVERIFY(changed.wait(30000));
        QCOMPARE(changed.last().at(0).toString(), QStringLiteral("Ошибка соединения. "));
        QVERIFY(!m_velmora->session()->isOnline());
        useService();

        // Back online; the download asks for every description, and each
        // answer would tell "online" again: wait until they are all in.
        downloadTeams();
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.last().at(0).toString(), QString());

        // Two failures while online say so once; the next success once more.
        // (Stalls past the transfer timeout, and a wait for the two failed
        // downloads themselves: nothing else is in flight then.)
        ServiceRequests::setTransferTimeout(300);
        armFault(QStringLiteral("/api_teams_tasks"), QStringLiteral("stall"), QString(), 2, 2);
        const int logged = capturedLog.size();
        m_velmora->requestTeamsAndTasks();
        m_velmora->requestTeamsAndTasks();
        const QRegularExpression failedDownload(QStringLiteral("^Request: .*/api_teams_tasks"));
        QTRY_COMPARE_WITH_TIMEOUT(capturedLog.mid(logged).filter(failedDownload).size(), 2, 20000);
        ServiceRequests::setTransferTimeout(0);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(changed.last().at(0).toString(), QString());
        runAndWait([&] { m_velmora->requestTeamsAndTasks(); });
        QCOMPARE(changed.count(), 4);
        QVERIFY(m_velmora->session()->isOnline());
    }

    // A reply that is no request of the client's only tells it is online.
    void replyWithoutStage()
    {
        m_velmora->session()->setOnline(false);
        QSignalSpy changed(m_velmora.get(), &Velmora::onlineChanged);
        QNetworkAccessManager manager;
        QNetworkRequest request(m_service->url(QStringLiteral("/monitor/")));
        QSslConfiguration ssl = request.sslConfiguration();
        ssl.setCaCertificates(ssl.caCertificates() + QSslCertificate::fromPath(m_service->caFile()));
        request.setSslConfiguration(ssl);
        QNetworkReply *reply = manager.get(request);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(finished.wait(20000));
        m_velmora->replyFinished(reply);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toString(), QString());
        QVERIFY(m_velmora->session()->isOnline());
    }

    void uploads()
    {
        m_velmora->setTeamAndTask(QStringLiteral("17"), QStringLiteral("101"));
        const int activities = m_service->read(QStringLiteral("/control/activities")).size();
        const int screenshots = m_service->read(QStringLiteral("/control/screenshots")).size();
        m_velmora->sendActivity(4);
        QImage screen(640, 360, QImage::Format_RGB32);
        screen.fill(Qt::darkGreen);
        m_velmora->sendScreenshot(screen);
        QTRY_COMPARE_WITH_TIMEOUT(activityFiles().size(), 0, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(m_velmora->uploadsInFlight(), 0, 20000);
        QCOMPARE(QDir(activityFolder()).entryList({QStringLiteral("screenshot*")}), QStringList());

        const QJsonArray rows = m_service->read(QStringLiteral("/control/activities"));
        QCOMPARE(rows.size(), activities + 1);
        const QJsonObject row = rows.last().toObject();
        QCOMPARE(row[QStringLiteral("active")].toInt(), 4);
        QCOMPARE(row[QStringLiteral("email")].toString(), user);
        QCOMPARE(row[QStringLiteral("task_id")].toString(), QStringLiteral("101"));
        QCOMPARE(row[QStringLiteral("team_id")].toString(), QStringLiteral("17"));
        QCOMPARE(row[QStringLiteral("version")].toString(), QStringLiteral("1.1.0"));
        const QJsonArray pictures = m_service->read(QStringLiteral("/control/screenshots"));
        QCOMPARE(pictures.size(), screenshots + 1);
        QImage received;
        QVERIFY(received.loadFromData(
            QByteArray::fromBase64(pictures.last()[QStringLiteral("file")].toString().toLatin1())));
        QCOMPARE(received.size(), screen.size());
    }

    // The screenshot path must answer exactly "ok": JSON that says ok keeps
    // the files for a later attempt.
    void screenshotRefusedWithJson()
    {
        armFault(QStringLiteral("/api_screenshot"), QStringLiteral("body"), QStringLiteral("{\"status\":\"ok\"}"));
        QImage screen(64, 64, QImage::Format_RGB32);
        screen.fill(Qt::red);
        runAndWait([&] { m_velmora->sendScreenshot(screen); });
        QCOMPARE(activityFiles().size(), 1);
        QCOMPARE(QDir(activityFolder()).entryList({QStringLiteral("screenshot*")}).size(), 1);
        QCOMPARE(m_velmora->uploadsInFlight(), 0);
        drain();
    }

    // With the service gone every minute stays as a file; when it is back,
    // the first confirmed upload pulls the rest, oldest listing first, each
    // telling how long it waited.
    void offlineQueue()
    {
        Clock::setNow(QDateTime(QDate(2026, 12, 10), QTime(10, 0, 0)));
        m_service->stop();
        for (int active = 1; active <= 3; ++active)
            runAndWait([&] { m_velmora->sendActivity(active); });
        QCOMPARE(activityFiles().size(), 3);
        QVERIFY(!m_velmora->session()->isOnline());
        QStringList listingOrder;
        for (const QString &name :
             QDir(activityFolder()).entryList({QStringLiteral("json*")}, QDir::Files, QDir::Unsorted)) {
            QFile file(QDir(activityFolder()).filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            listingOrder
                << QJsonDocument::fromJson(file.readAll())[QStringLiteral("body")][QStringLiteral("active")].toString();
        }

        QVERIFY(m_service->restart());
        const int before = m_service->read(QStringLiteral("/control/activities")).size();
        Clock::advance(330 * 1000);
        m_velmora->sendActivity(7);
        QTRY_COMPARE_WITH_TIMEOUT(activityFiles().size(), 0, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(m_velmora->uploadsInFlight(), 0, 20000);
        Clock::reset();

        const QJsonArray rows = m_service->read(QStringLiteral("/control/activities"));
        QCOMPARE(rows.size(), before + 4);
        QCOMPARE(rows.at(before)[QStringLiteral("active")].toInt(), 7);
        QCOMPARE(rows.at(before)[QStringLiteral("past")].toInt(), 0);
        QStringList sentOrder;
        for (int i = before + 1; i < rows.size(); ++i) {
            sentOrder << QString::number(rows.at(i)[QStringLiteral("active")].toInt());
            QCOMPARE(rows.at(i)[QStringLiteral("past")].toInt(), 330);
        }
        QCOMPARE(sentOrder, listingOrder);
    }

    // A file the service keeps refusing does not hold back those behind it.
    void refusedFileDoesNotBlockTheQueue()
    {
        m_velmora->setTeamAndTask(QStringLiteral("17"), QStringLiteral("999")); // not a task of the account
        armFault(QStringLiteral("/api_active2"), QStringLiteral("close"), QString(), 3);
        for (int i = 0; i < 3; ++i)
            runAndWait([&] { m_velmora->sendActivity(1); });
        m_velmora->setTeamAndTask(QStringLiteral("17"), QStringLiteral("101"));
        armFault(QStringLiteral("/api_active2"), QStringLiteral("close"), QString(), 2);
        for (int i = 0; i < 2; ++i)
            runAndWait([&] { m_velmora->sendActivity(2); });
        QCOMPARE(activityFiles().size(), 5);

        m_velmora->sendActivity(3);
        // Only the three refused ones remain, whatever their place in the listing.
        QTRY_COMPARE_WITH_TIMEOUT(activityFiles().size(), 3, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(m_velmora->uploadsInFlight(), 0, 20000);
        for (const QString &name : activityFiles())
            QFile::remove(QDir(activityFolder()).filePath(name));
    }

    void stalledRequestTimesOut()
    {
        ServiceRequests::setTransferTimeout(500);
        armFault(QStringLiteral("/api_active2"), QStringLiteral("stall"), QString(), 1, 3);
        QSignalSpy changed(m_velmora.get(), &Velmora::onlineChanged);
        runAndWait([&] { m_velmora->sendActivity(5); });
        ServiceRequests::setTransferTimeout(0);
        QCOMPARE(m_velmora->uploadsInFlight(), 0);
        QCOMPARE(activityFiles().size(), 1);
        QCOMPARE(changed.count(), 1);
        drain();
    }

    void untrustedCertificate()
    {
        const int logged = capturedLog.size();
        qunsetenv("VELMORA_CA_FILE");
        Velmora untrusting;
        untrusting.setSkipSaveOnExit(true);
        qputenv("VELMORA_CA_FILE", m_service->caFile().toLocal8Bit());
        QSignalSpy finished(untrusting.findChild<QNetworkAccessManager *>(), &QNetworkAccessManager::finished);
        QSignalSpy loginOk(&untrusting, &Velmora::loginOk);
        QSignalSpy errors(&untrusting, &Velmora::error);
        untrusting.login(user, password);
        QVERIFY(finished.wait(20000));
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), 3);
        QVERIFY(std::any_of(capturedLog.cbegin() + logged, capturedLog.cend(),
                            [](const QString &line) { return line.startsWith(QLatin1String("SSL errors")); }));
        QCOMPARE(loginOk.count(), 0);
        QVERIFY(!untrusting.session()->isOnline());
    }

    void timeSync()
    {
        Session *session = m_velmora->session();
        armFault(QStringLiteral("/api_get_active"), QStringLiteral("body"),
                 QStringLiteral("{\"today_active\":\"90\",\"today_total\":\"125\",\"today_task\":\"30\"}"), 2);
        runAndWait([&] { m_velmora->requestActiveTime(QStringLiteral("17")); });
        QCOMPARE(session->todayActivetime(), QTime(1, 30));
        QCOMPARE(session->todayWorktime(), QTime(2, 5));
        QCOMPARE(session->shownWorkTime(), QTime(2, 5));
        QCOMPARE(session->todayActiveTime(QStringLiteral("17")), QTime(0, 30));

        session->setTaskActiveTime(QStringLiteral("17"), QTime(0, 10));
        runAndWait([&] { m_velmora->requestActiveTime(QStringLiteral("0")); });
        QCOMPARE(session->todayActiveTime(QStringLiteral("17")), QTime(0, 10));
        QCOMPARE(session->todayActiveTime(QStringLiteral("0")), QTime(0, 0));
        QVERIFY(!lastRequest(QStringLiteral("/api_get_active"))[QStringLiteral("query")].toObject().contains(
            QStringLiteral("task_id")));
    }

    void taskDetails()
    {
        downloadTeams();
        QSignalSpy updated(m_velmora.get(), &Velmora::taskInfoUpdated);
        armFault(QStringLiteral("/api_get_task"), QStringLiteral("body"),
                 QStringLiteral("{\"status\":\"ok\",\"message\":{\"id\":\"555\",\"title\":\"Другая\",\"deadline\":"
                                "\"2026-12-24 18:30:00\",\"files\":[{\"id\":7,\"size\":2048}],\"texts\":[{\"page\":"
                                "\"http://example.com/a b\",\"keywords\":[{\"keyword\":\"к\"}]}]}}"));
        runAndWait([&] { m_velmora->requestTaskInfo(QStringLiteral("101")); });
        QCOMPARE(updated.count(), 1);
        const TaskInfo stored = m_velmora->session()->taskInfo(QStringLiteral("555"));
        QCOMPARE(stored.title, QStringLiteral("Другая"));
        QCOMPARE(stored.deadline, QDateTime(QDate(2026, 12, 24), QTime(18, 30)));
        QCOMPARE(stored.files.at(0).size, QStringLiteral("2048"));
        QCOMPARE(stored.texts.at(0).keywords.at(0).keyword, QStringLiteral("к"));
        QVERIFY(stored.texts.at(0).page.isValid());
        QCOMPARE(m_velmora->session()->taskInfo(QStringLiteral("101")).title, QStringLiteral("Сверстать форму входа"));

        armFault(QStringLiteral("/api_get_task"), QStringLiteral("body"),
                 QStringLiteral("{\"status\":\"fail\",\"message\":\"Нет доступа\"}"));
        runAndWait([&] { m_velmora->requestTaskInfo(QStringLiteral("101")); });
        QCOMPARE(m_notices.notices.last().text, QStringLiteral("Ошибка получения данных по задаче: Нет доступа"));

        // A failed request still answers, with what the cache holds.
        armFault(QStringLiteral("/api_get_task"), QStringLiteral("close"));
        runAndWait([&] { m_velmora->requestTaskInfo(QStringLiteral("101")); });
        QCOMPARE(updated.count(), 2);
        QCOMPARE(updated.last().at(0).value<TaskInfo>().title, QStringLiteral("Сверстать форму входа"));
        runAndWait([&] { m_velmora->requestTeamsAndTasks(); }); // back online
    }

    void noRequestForThePseudoTask()
    {
        const int before = m_service->read(QStringLiteral("/control/requests")).size();
        m_velmora->requestTaskInfo(QStringLiteral("0"));
        runAndWait([&] { m_velmora->requestVersion(); });
        const QJsonArray requests = m_service->read(QStringLiteral("/control/requests"));
        QCOMPARE(requests.size(), before + 1);
        QCOMPARE(requests.last()[QStringLiteral("path")].toString(), QStringLiteral("/monitor/talv.version"));
    }

    void deadlineRequests_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QJsonValue>("sentTime");
        QTest::newRow("the dialog's initial 23:59 sends no time") << QTime(23, 59) << QJsonValue();
        QTest::newRow("23:58 is sent") << QTime(23, 58) << QJsonValue(QStringLiteral("23:58"));
    }

    void deadlineRequests()
    {
        QFETCH(QTime, time);
        QFETCH(QJsonValue, sentTime);
        m_velmora->setTeamAndTask(QStringLiteral("17"), QStringLiteral("101"));
        runAndWait(
            [&] { m_velmora->requestDeadlineChange(QDate(2026, 12, 31), QStringLiteral("Нужно + время"), time); });
        QCOMPARE(m_notices.notices.last().text, QStringLiteral("Запрос на продление задачи успешно отправлен"));
        const QJsonObject row = m_service->read(QStringLiteral("/control/deadline_requests")).last().toObject();
        QCOMPARE(row[QStringLiteral("dl_date")].toString(), QStringLiteral("2026-12-31"));
        QCOMPARE(row[QStringLiteral("dl_time")], sentTime);
        QCOMPARE(row[QStringLiteral("message")].toString(), QStringLiteral("Нужно + время"));
    }

    void versions_data()
    {
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<bool>("available");
        QTest::newRow("1.1.1 is offered") << "1.1.0"
                                          << "1.1.1" << true;
        QTest::newRow("1.10.0 is offered: it sorts after 1.1.0") << "1.1.0"
                                                                 << "1.10.0" << true;
        QTest::newRow("1.10.0 is not offered to 1.9.0: it sorts before") << "1.9.0"
                                                                         << "1.10.0" << false;
        QTest::newRow("the same version is not offered") << "1.1.0"
                                                         << "1.1.0" << false;
    }

    void versions()
    {
        QFETCH(QString, installed);
        QFETCH(QString, offered);
        QFETCH(bool, available);
        QCoreApplication::setApplicationVersion(installed);
        const QString versionFile = QStringLiteral("[{\"name\":\"TALV\",\"url\":\"https://x/TALV\"},{\"version\":\"") +
                                    offered + QStringLiteral("\"}]");
        QVERIFY(m_service->control(QStringLiteral("/control/version"), {{QStringLiteral("raw"), versionFile}}));
        QSignalSpy updateAvailable(m_velmora.get(), &Velmora::updateAvailable);
        const int notices = m_notices.notices.size();
        runAndWait([&] { m_velmora->requestVersion(); });
        QCoreApplication::setApplicationVersion(QStringLiteral("1.1.0"));
        QCOMPARE(updateAvailable.count(), 1);
        QCOMPARE(updateAvailable.at(0).at(0).toBool(), available);
        QCOMPARE(UpdateInfo::instance()->version(), offered);
        QCOMPARE(UpdateInfo::instance()->updateInfo().size(), 2);
        QCOMPARE(m_notices.notices.size(), notices + (available ? 1 : 0));
        if (available) {
            QCOMPARE(m_notices.notices.last().type, int(UpdateAvailable));
            QCOMPARE(m_notices.notices.last().text, offered);
        }
    }

    // Ids with characters a writer must escape reach the service whole, from
    // the queue too: a NUL once cut the file, which was then deleted unsent.
    void hostileTextsAreSentWhole_data()
    {
        QTest::addColumn<QString>("taskId");
        QTest::newRow("NUL") << QString::fromUtf8("10\0"
                                                  "1",
                                                  4);
        QTest::newRow("line feed, quote, backslash") << QStringLiteral("1\n\"0\\1");
        QTest::newRow("other control characters") << QStringLiteral("\x01\x1f\x7f");
        QTest::newRow("beyond the BMP") << QStringLiteral("\U0001F600 задача");
    }

    void hostileTextsAreSentWhole()
    {
        QFETCH(QString, taskId);
        QVERIFY(
            m_service->control(QStringLiteral("/control/task"),
                               {{QStringLiteral("id"), taskId}, {QStringLiteral("team_id"), QStringLiteral("17")}}));
        m_velmora->setTeamAndTask(QStringLiteral("17"), taskId);
        const int before = m_service->read(QStringLiteral("/control/activities")).size();
        const int screenshotsBefore = m_service->read(QStringLiteral("/control/screenshots")).size();
        m_service->stop();
        QImage screen(32, 32, QImage::Format_RGB32);
        screen.fill(Qt::blue);
        runAndWait([&] { m_velmora->sendActivity(1); });
        runAndWait([&] { m_velmora->sendScreenshot(screen); });
        runAndWait([&] { m_velmora->sendActivity(2); });
        QCOMPARE(activityFiles().size(), 3);
        QVERIFY(m_service->restart());
        m_velmora->setTeamAndTask(QStringLiteral("17"), QStringLiteral("101"));
        drain();

        const QJsonArray rows = m_service->read(QStringLiteral("/control/activities"));
        int sent = 0;
        for (int i = before; i < rows.size(); ++i)
            sent += rows.at(i)[QStringLiteral("task_id")].toString() == taskId ? 1 : 0;
        QCOMPARE(sent, 2);
        const QJsonArray pictures = m_service->read(QStringLiteral("/control/screenshots"));
        QCOMPARE(pictures.size(), screenshotsBefore + 1);
        QCOMPARE(pictures.last()[QStringLiteral("task_id")].toString(), taskId);
        QCOMPARE(QDir(activityFolder()).entryList({QStringLiteral("screenshot*")}), QStringList());
        QVERIFY(m_service->control(QStringLiteral("/control/task/remove"), {{QStringLiteral("id"), taskId}}));
    }

    // A queue file that cannot be read is kept aside with its screenshot,
    // never deleted and never tried again; a screenshot left without its file
    // is kept aside too once the queue is empty.
    void unreadableQueueFilesAreSetAside()
    {
        const QDir folder(activityFolder());
        const QString damagedName = QStringLiteral("json10-12-2026-10-00-00.abcdef");
        const QByteArray damaged = "{\"body\":{\"fileName\":\"" + folder.absolutePath().toUtf8() +
                                   "/screenshot10-12-2026-10-00-00.jpg\"},\"ap\xff\xfe";
        for (const auto &file :
             {qMakePair(damagedName, damaged),
              qMakePair(QStringLiteral("screenshot10-12-2026-10-00-00.jpg"), QByteArray("jpeg")),
              qMakePair(QStringLiteral("screenshot09-12-2026-10-00-00.jpg"), QByteArray("orphan"))}) {
            QFile out(folder.filePath(file.first));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(file.second);
        }
        drain();
        QTRY_COMPARE_WITH_TIMEOUT(QDir(folder.filePath(QStringLiteral("damaged"))).entryList(QDir::Files).size(), 3,
                                  20000);
        QFile kept(folder.filePath(QStringLiteral("damaged/") + damagedName));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), damaged);
        QCOMPARE(folder.entryList({QStringLiteral("screenshot*")}), QStringList());
        QVERIFY(QDir(folder.filePath(QStringLiteral("damaged"))).removeRecursively());
    }

    // A reply that cannot be read changes nothing it would have changed; log
    // lines quote a few kilobytes of a body and its size.
    void unreadableRepliesChangeNothing()
    {
        downloadTeams();
        Session *session = m_velmora->session();
        session->setTodayTotal(QTime(2, 5));
        session->setTodayActive(QTime(1, 30));
        for (const QString &body : {QStringLiteral("[]"), QStringLiteral("не JSON"), QStringLiteral("{}")}) {
            armFault(QStringLiteral("/api_get_active"), QStringLiteral("body"), body);
            runAndWait([&] { m_velmora->requestActiveTime(QStringLiteral("101")); });
            QCOMPARE(session->todayWorktime(), QTime(2, 5));
            QCOMPARE(session->todayActivetime(), QTime(1, 30));
        }

        const QVariantList updateInfo = UpdateInfo::instance()->updateInfo();
        QVERIFY(m_service->control(QStringLiteral("/control/version"), {{QStringLiteral("raw"), "{\"version\":1}"}}));
        runAndWait([&] { m_velmora->requestVersion(); });
        QCOMPARE(UpdateInfo::instance()->updateInfo(), updateInfo);

        armFault(QStringLiteral("/api_get_task"), QStringLiteral("body"),
                 QStringLiteral("{\"status\":\"ok\",\"message\":\"not a task\"}"));
        runAndWait([&] { m_velmora->requestTaskInfo(QStringLiteral("101")); });
        QCOMPARE(session->taskInfo(QStringLiteral("101")).title, QStringLiteral("Сверстать форму входа"));

        // A reply above the limit is not read at all.
        const QList<Team> teams = session->teams();
        const QList<Task> tasks = session->tasks(QStringLiteral("17"));
        QSignalSpy errors(m_velmora.get(), &Velmora::error);
        ServiceRequests::setReplyLimit(100);
        const int logged = capturedLog.size();
        runAndWait([&] { m_velmora->requestTeamsAndTasks(); });
        ServiceRequests::setReplyLimit(0);
        QCOMPARE(session->teams(), teams);
        QVERIFY(session->tasks(QStringLiteral("17")) == tasks);
        QCOMPARE(errors.count(), 1);
        QVERIFY(session->isOnline());
        QCOMPARE(capturedLog.mid(logged).filter(QStringLiteral("larger than 100 bytes")).size(), 1);

        const QString padded =
            QStringLiteral("{\"today_active\":\"90\",\"today_total\":\"125\"}") + QString(7000, QLatin1Char(' '));
        armFault(QStringLiteral("/api_get_active"), QStringLiteral("body"), padded);
        runAndWait([&] { m_velmora->requestActiveTime(QStringLiteral("101")); });
        const QStringList lines = capturedLog.mid(logged).filter(QStringLiteral("time sync : "));
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().size() < 4200);
        QVERIFY2(lines.first().contains(QStringLiteral("(%1 bytes in all)").arg(padded.size())),
                 qPrintable(lines.first().right(40)));
        QCOMPARE(session->todayWorktime(), QTime(2, 5));
    }

    // With the activity folder unwritable (a file stands in its place),
    // minutes and screenshots wait in memory under one notice; once it can be
    // written again they all go, each with its own time, under one more.
    void unwritableReportsWaitInMemory()
    {
        m_velmora->setTeamAndTask(QStringLiteral("17"), QStringLiteral("101"));
        QVERIFY(QDir(activityFolder()).removeRecursively());
        QFile blocker(activityFolder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const int notices = m_notices.notices.size();
        const int before = m_service->read(QStringLiteral("/control/activities")).size();
        const int screenshots = m_service->read(QStringLiteral("/control/screenshots")).size();

        Clock::setNow(QDateTime(QDate(2026, 12, 10), QTime(10, 0, 0)));
        QImage screen(32, 32, QImage::Format_RGB32);
        screen.fill(Qt::yellow);
        m_velmora->sendActivity(1);
        Clock::advance(60 * 1000);
        m_velmora->sendScreenshot(screen);
        m_velmora->sendActivity(2);
        QCOMPARE(m_velmora->uploadsInFlight(), 0);
        QCOMPARE(m_notices.notices.size(), notices + 1);

        QVERIFY(QFile::remove(activityFolder()));
        Clock::advance(60 * 1000);
        m_velmora->sendActivity(3);
        QTRY_COMPARE_WITH_TIMEOUT(activityFiles().size(), 0, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(m_velmora->uploadsInFlight(), 0, 20000);
        Clock::reset();
        QCOMPARE(m_notices.notices.size(), notices + 2);
        QCOMPARE(m_notices.notices.last().text, QStringLiteral("Запись активности снова сохраняется на диск"));

        const QJsonArray rows = m_service->read(QStringLiteral("/control/activities"));
        QMap<int, int> pastByActive;
        for (int i = before; i < rows.size(); ++i)
            pastByActive.insert(rows.at(i)[QStringLiteral("active")].toInt(),
                                rows.at(i)[QStringLiteral("past")].toInt());
        QCOMPARE(pastByActive, (QMap<int, int>{{1, 120}, {2, 60}, {3, 0}}));
        const QJsonArray pictures = m_service->read(QStringLiteral("/control/screenshots"));
        QCOMPARE(pictures.size(), screenshots + 1);
        QCOMPARE(pictures.last()[QStringLiteral("past")].toInt(), 60);
        QCOMPARE(QDir(activityFolder()).entryList({QStringLiteral("screenshot*")}), QStringList());
    }

    // A description the service refused is asked for again only once its
    // task changed or an hour has passed.
    void refusedDescriptionsAreNotAskedEveryMinute()
    {
        downloadTeams();
        QVERIFY(m_service->control(QStringLiteral("/control/task"),
                                   {{QStringLiteral("id"), QStringLiteral("901")},
                                    {QStringLiteral("team_id"), QStringLiteral("17")},
                                    {QStringLiteral("title"), QStringLiteral("Без описания")},
                                    {QStringLiteral("last_comment"), QStringLiteral("2026-12-09 10:00:00")}}));
        // Every answer for 901 is logged once.
        const auto asked = [] { return capturedLog.filter(QStringLiteral("TaskInfo for 901:")).size(); };
        const auto download = [this] {
            runAndWait([&] { m_velmora->requestTeamsAndTasks(); });
            // The description requests it started have been answered too.
            QTest::qWait(500);
        };
        // Every other description is cached by now: only 901 is asked for.
        armFault(QStringLiteral("/api_get_task"), QStringLiteral("body"),
                 QStringLiteral("{\"status\":\"fail\",\"message\":\"Нет доступа\"}"), 100);
        Clock::setNow(QDateTime(QDate(2026, 12, 10), QTime(10, 0)));
        const int before = asked();
        download();
        QTRY_COMPARE_WITH_TIMEOUT(asked(), before + 1, 20000);
        for (int minute = 1; minute <= 3; ++minute) {
            Clock::advance(60 * 1000);
            download();
        }
        QCOMPARE(asked(), before + 1);

        QVERIFY(m_service->control(QStringLiteral("/control/task"),
                                   {{QStringLiteral("id"), QStringLiteral("901")},
                                    {QStringLiteral("team_id"), QStringLiteral("17")},
                                    {QStringLiteral("last_comment"), QStringLiteral("2026-12-10 10:02:00")}}));
        download();
        QTRY_COMPARE_WITH_TIMEOUT(asked(), before + 2, 20000);
        download();
        QCOMPARE(asked(), before + 2);
        Clock::advance(3600 * 1000);
        download();
        QTRY_COMPARE_WITH_TIMEOUT(asked(), before + 3, 20000);
        Clock::reset();
        QVERIFY(m_service->control(QStringLiteral("/control/faults/clear"), {}));
        QVERIFY(m_service->control(QStringLiteral("/control/task/remove"),
                                   {{QStringLiteral("id"), QStringLiteral("901")}}));
        runAndWait([&] { m_velmora->requestTeamsAndTasks(); });
    }

    // Another user signs in on the same monitor: the first user's state is
    // saved for their return, and none of it shows for the second.
    void anotherAccountStartsClean()
    {
        Session *session = m_velmora->session();
        runAndWait([&] { m_velmora->requestTeamsAndTasks(); });
        QVERIFY(!session->teams().isEmpty());
        session->setTeamID(QStringLiteral("17"));
        session->setTaskID(QStringLiteral("101"));
        session->addWorkMinute();
        session->addActiveMinute();
        const QTime worked = session->todayWorktime();

        QSignalSpy loginOk(m_velmora.get(), &Velmora::loginOk);
        m_velmora->login(QStringLiteral("demo@velmora.local"), QStringLiteral("demo"));
        QVERIFY(loginOk.wait(20000));
        QCOMPARE(session->login(), QStringLiteral("demo@velmora.local"));
        QVERIFY(session->teams().isEmpty());
        QVERIFY(session->tasks(QStringLiteral("17")).isEmpty());
        QCOMPARE(session->teamID(), QString());
        QCOMPARE(session->taskID(), QString());
        QCOMPARE(session->todayWorktime(), QTime(0, 0));
        QCOMPARE(session->todayActiveTime(QStringLiteral("101")), QTime(0, 0));

        m_velmora->login(user, password);
        QVERIFY(loginOk.wait(20000));
        QCOMPARE(session->teamID(), QStringLiteral("17"));
        QCOMPARE(session->taskID(), QStringLiteral("101"));
        QCOMPARE(session->todayWorktime(), worked);
        QVERIFY(!session->teams().isEmpty());
    }

private:
    void useService() { m_service->exportAddress(); }

    void armFault(const QString &path, const QString &kind, const QString &body = QString(), int count = 1,
                  double seconds = 0)
    {
        QVERIFY(m_service->control(QStringLiteral("/control/fault"), {{QStringLiteral("path"), path},
                                                                      {QStringLiteral("kind"), kind},
                                                                      {QStringLiteral("body"), body},
                                                                      {QStringLiteral("count"), count},
                                                                      {QStringLiteral("seconds"), seconds}}));
    }

    /// Runs \a start and waits until every reply it caused has been handled.
    template<typename Start>
    void runAndWait(Start start)
    {
        const int before = m_finished->count();
        const int inFlightBefore = m_velmora->uploadsInFlight();
        start();
        const int expected = before + qMax(1, m_velmora->uploadsInFlight() - inFlightBefore);
        QTRY_VERIFY_WITH_TIMEOUT(m_finished->count() >= expected, 30000);
        QCoreApplication::processEvents();
    }

    /// Downloads the teams and waits until every description is cached.
    void downloadTeams()
    {
        QSignalSpy teamsUpdated(m_velmora->session(), &Session::teamsUpdated);
        m_velmora->requestTeamsAndTasks();
        QVERIFY(teamsUpdated.wait(20000));
        for (const Task &task : m_velmora->session()->tasks(QStringLiteral("17"))) {
            if (task.id != pseudoTaskId())
                QTRY_VERIFY_WITH_TIMEOUT(!m_velmora->session()->taskInfo(task.id).id.isEmpty(), 20000);
        }
    }

    /// Sends one more minute and waits until the whole queue has gone.
    void drain()
    {
        m_velmora->sendActivity(0);
        QTRY_COMPARE_WITH_TIMEOUT(activityFiles().size(), 0, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(m_velmora->uploadsInFlight(), 0, 20000);
    }

    QString activityFolder() const { return m_velmora->dataFolder().filePath(user + QStringLiteral("/activity")); }
    QStringList activityFiles() const
    {
        return QDir(activityFolder()).entryList({QStringLiteral("json*")}, QDir::Files);
    }

    QJsonObject lastRequest(const QString &path)
    {
        const QJsonArray requests = m_service->read(QStringLiteral("/control/requests"));
        for (int i = requests.size() - 1; i >= 0; --i) {
            if (requests.at(i)[QStringLiteral("path")].toString() == path)
                return requests.at(i).toObject();
        }
        return QJsonObject();
    }

    std::unique_ptr<StandInService> m_service;
    std::unique_ptr<Velmora> m_velmora;
    std::unique_ptr<QSignalSpy> m_finished;
    RaisedNotices m_notices;
};

QTEST_MAIN(TestVelmora)
#include "TestVelmora.moc"

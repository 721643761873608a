#include "capture/UserActivityWatcher.h"
#include "client/UpdateInfo.h"
#include "client/Velmora.h"
#include "common/Clock.h"
#include "dialogs/ScrollText.h"
#include "mainwindow/MainForm.h"
#include "model/Notifier.h"
#include "notifications/NotificationManager.h"
#include "support/NoticeRecorder.h"
#include "platform/Platform.h"
#include "platform/fake/FakeLastInput.h"
#include "platform/fake/FakeProcessList.h"
#include "support/TaskRecords.h"

#include <QAction>
#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

const QString user = QStringLiteral("main@velmora.local");
QStringList capturedLog;

void captureLog(QtMsgType, const QMessageLogContext &, const QString &message)
{
    capturedLog << message;
}

} // namespace

// The controller's slots driven directly, with the clock helper; the
// service address leads nowhere, so every upload stays in the activity
// folder where the test reads it.
class TestMainForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qInstallMessageHandler(captureLog);
        QCoreApplication::setApplicationVersion(QStringLiteral("1.1.0"));
        qputenv("VELMORA_SERVICE_URL", "https://127.0.0.1:9");
        Notifier::install(NotificationManager::instance());
    }

    void init()
    {
        Clock::setNow(QDateTime(QDate(2026, 12, 10), QTime(12, 0, 0)));
        m_notices.clear();
        m_failedScreenshots = 0;
        // Every test starts with no saved session.
        QVERIFY(Velmora::removeFolder(QDir::homePath() + QStringLiteral("/.velmora")));
        m_velmora = std::make_unique<Velmora>();
        m_velmora->setSkipSaveOnExit(true);
        Velmora::Session *session = m_velmora->session();
        session->load(user, QStringLiteral("pw"));
        session->setTasks(
            QStringLiteral("7"),
            {makeTask(QStringLiteral("101"), QStringLiteral("Отчёт"), "2026-12-09 09:55:00"), pseudoTask()});
        session->setTeams({{QStringLiteral("7"), QStringLiteral("Команда")}});
    }

    void cleanup()
    {
        m_form.reset();
        m_velmora.reset();
        Clock::reset();
    }

    void cleanupTestCase() { qInstallMessageHandler(nullptr); }

    void nineTicksThenStopAddNothing()
    {
        startRecording();
        m_form->setHasActivity();
        for (int i = 0; i < 9; ++i)
            m_form->sendActivity();
        m_form->clock();
        m_form->stopTracking();
        Velmora::Session *session = m_velmora->session();
        QCOMPARE(session->todayWorktime(), QTime(0, 0));
        QCOMPARE(session->shownWorkTime(), QTime(0, 0));
        QCOMPARE(session->shownActiveTime(), QTime(0, 0));
        QVERIFY(!session->active());
        QVERIFY(!button("pbPlay")->isChecked());
        QCOMPARE(activities(), QStringList());
    }

    void minutes_data()
    {
        QTest::addColumn<int>("activeTick"); // the tick with input, or -1
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QTime>("active");
        QTest::newRow("one tick with input makes an active minute") << 3 << "1" << QTime(0, 1);
        QTest::newRow("a minute without input is work only") << -1 << "0" << QTime(0, 0);
    }

    void minutes()
    {
        QFETCH(int, activeTick);
        QFETCH(QString, sent);
        QFETCH(QTime, active);
        startRecording();
        for (int i = 0; i < 10; ++i) {
            if (i == activeTick)
                m_form->setHasActivity();
            m_form->clock();
            m_form->sendActivity();
        }
        Velmora::Session *session = m_velmora->session();
        QCOMPARE(session->todayWorktime(), QTime(0, 1));
        QCOMPARE(session->todayActivetime(), active);
        QCOMPARE(session->shownActiveTime(), activeTick < 0 ? QTime(0, 0) : QTime(0, 0, 10));
        QCOMPARE(activities(), QStringList{sent});
    }

    // The watcher and the ticks together, over a last-input source set by
    // hand: per tick, whether input happened before each of its polls. A
    // poll happens only while the watcher's timer runs, as in the program.
    void ticksFromTheWatcher_data()
    {
        QTest::addColumn<QList<QList<bool>>>("ticks"); // the first ones; the rest of the minute has no input
        QTest::addColumn<QString>("sent");
        const QList<bool> still{false, false, false};
        QTest::newRow("one input in a tick makes it active")
            << QList<QList<bool>>{still, {false, true, false}, still} << "1";
        QTest::newRow("input while a tick is already active does not make the next one active")
            << QList<QList<bool>>{{true, true, true, true}, still, still} << "1";
        QTest::newRow("input right after a tick starts makes the new tick active")
            << QList<QList<bool>>{{true, true}, {true}, still} << "2";
        const QList<bool> busy{false, true, true};
        QTest::newRow("input in every tick")
            << QList<QList<bool>>{busy, busy, busy, busy, busy, busy, busy, busy, busy, busy} << "10";
    }

    void ticksFromTheWatcher()
    {
        QFETCH(QList<QList<bool>>, ticks);
        QFETCH(QString, sent);
        auto fake = std::make_unique<FakeLastInput>();
        FakeLastInput *input = fake.get();
        Platform::setLastInput(std::move(fake));
        UserActivityWatcher *watcher = UserActivityWatcher::instance();
        auto *polls = qobject_cast<QTimer *>(watcher->property("timer").value<QObject *>());
        QVERIFY(watcher->start());
        startRecording();
        for (int tick = 0; tick < 10; ++tick) {
            for (const bool inputBefore : ticks.value(tick)) {
                if (inputBefore)
                    *input->value += 100;
                if (polls->isActive())
                    watcher->emitWasActivity();
            }
            m_form->sendActivity();
        }
        polls->stop(); // the other tests drive the controller alone
        QCOMPARE(activities(), QStringList{sent});
    }

    // The first completed minute takes a screenshot; a stop and a start
    // within five minutes do not take another before they are over.
    void screenshotRhythm()
    {
        startRecording();
        completeMinute();
        QCOMPARE(screenshots(), 1);
        QVERIFY(timer("screenshotTimer")->isActive());
        m_form->stopTracking();
        button("pbPlay")->setChecked(true);
        QVERIFY(timer("screenshotTimer")->isActive());
        completeMinute();
        QCOMPARE(screenshots(), 1);
        m_form->screenshotTimeout();
        completeMinute();
        QCOMPARE(screenshots(), 2);
    }

    void restartResumesRecording()
    {
        Velmora::Session *session = m_velmora->session();
        session->setTeamID(QStringLiteral("7"));
        session->setTaskID(QStringLiteral("101"));
        session->setActive(true);
        const int logged = capturedLog.size();
        m_form = std::make_unique<MainForm>(m_velmora.get());
        QVERIFY(timer("sendTimer")->isActive());
        QVERIFY(timer("clockTimer")->isActive());
        QVERIFY(button("pbPlay")->isChecked());
        QVERIFY(capturedLog.mid(logged).contains(QStringLiteral("Monitor started")));
        QCOMPARE(taskLine()->text(), QStringLiteral("Отчёт"));
    }

    void timersFromConstruction()
    {
        m_form = std::make_unique<MainForm>(m_velmora.get());
        QVERIFY(timer("syncTimer")->isActive());
        QCOMPARE(timer("syncTimer")->interval(), 1740000);
        QVERIFY(timer("commentsTimer")->isActive() && timer("updateCheckTimer")->isActive() &&
                timer("closeCheckTimer")->isActive());
        QVERIFY(!timer("sendTimer")->isActive());
        // No task yet: the play button cannot be pressed and the user is told.
        QVERIFY(!button("pbPlay")->isCheckable());
        QCOMPARE(taskLine()->text(), QStringLiteral("Выбрать задачу"));
        QCOMPARE(m_notices.notices().last().text, QStringLiteral("Выберите задачу для начала работы."));
    }

    void closedTaskStopsRecording()
    {
        startRecording();
        emit m_velmora->session()->taskClosed(QStringLiteral("101"));
        QVERIFY(!m_velmora->session()->active());
        QVERIFY(!timer("sendTimer")->isActive());
        QCOMPARE(m_notices.notices().last().text, QStringLiteral("Запись активности остановлена!"));
    }

    void deadlineButtonRefusal_data()
    {
        QTest::addColumn<QString>("team");
        QTest::addColumn<QString>("task");
        QTest::newRow("the pseudo-task") << "7"
                                         << "0";
        QTest::newRow("team 2192") << "2192"
                                   << "101";
    }

    void deadlineButtonRefusal()
    {
        QFETCH(QString, team);
        QFETCH(QString, task);
        m_velmora->setTeamAndTask(team, task);
        m_form = std::make_unique<MainForm>(m_velmora.get());
        button("pbTimeExtend")->click();
        QCOMPARE(m_notices.notices().last().text,
                 QStringLiteral("Для данной задачи невозможно выполнить перенос дедлайна."));
    }

    void overdueText_data()
    {
        QTest::addColumn<QDateTime>("deadline");
        QTest::addColumn<QString>("text");
        const QDateTime now(QDate(2026, 12, 10), QTime(12, 0, 0));
        QTest::newRow("a day, two hours and five minutes")
            << now.addSecs(-(86400 + 2 * 3600 + 5 * 60)) << "1д. 2ч. 5 мин.";
        QTest::newRow("exactly two hours") << now.addSecs(-7200) << "2ч. ";
        QTest::newRow("under a minute") << now.addSecs(-40) << "";
        QTest::newRow("a deadline late yesterday") << QDateTime(QDate(2026, 12, 9), QTime(23, 0)) << "13ч. ";
    }

    void overdueText()
    {
        QFETCH(QDateTime, deadline);
        QFETCH(QString, text);
        QCOMPARE(MainForm::overdueText(deadline, QDateTime(QDate(2026, 12, 10), QTime(12, 0, 0))), text);
    }

    void overdueLabels()
    {
        m_velmora->setTeamAndTask(QStringLiteral("7"), QStringLiteral("101"));
        m_form = std::make_unique<MainForm>(m_velmora.get());
        m_form->show();
        QVERIFY(label("lbOverdueTime")->isVisible());
        QCOMPARE(label("lbOverdueTime")->text(), QStringLiteral("1д. 2ч. 5 мин."));
        QCOMPARE(label("lbOverdueTime")->toolTip(), QStringLiteral("2026-12-09 09:55:00"));
        Clock::setNow(QDateTime(QDate(2026, 12, 8), QTime(12, 0)));
        m_form->updateOverdueTime();
        QVERIFY(!label("lbOverdue")->isVisible() && !label("lbOverdueTime")->isVisible());
    }

    void buttonAndTrayVariants()
    {
        m_form = std::make_unique<MainForm>(m_velmora.get());
        QCOMPARE(button("pbPlay")->styleSheet(),
                 QStringLiteral("background-image: url(:/images/pbPlay_Disabled.png);"));
        m_notices.clear();
        startRecording();
        QVERIFY(button("pbPlay")->styleSheet().startsWith(
            QStringLiteral("QPushButton{background-image: url(:/images/pbPause_Online.png);}")));
        QCOMPARE(trayIcon()->property("iconPath").toString(), QStringLiteral(":/icons/trayActive.png"));
        m_velmora->session()->setOnline(false);
        m_form->stopTracking();
        QVERIFY(button("pbPlay")->styleSheet().contains(QStringLiteral("pbPlay_Offline_hovered.png")));
        NotificationManager::instance()->addNotification(QStringLiteral("x"), 0, QString());
        QCOMPARE(trayIcon()->property("iconPath").toString(), QStringLiteral(":/icons/trayNotactive_attention.png"));
        QVERIFY(button("pbNotice")->styleSheet().contains(QStringLiteral("pbAttention_Active_normal.png")));
        // Hidden notices still wait; the signs go when the last one is closed.
        button("pbNotice")->click();
        QCOMPARE(trayIcon()->property("iconPath").toString(), QStringLiteral(":/icons/trayNotactive_attention.png"));
        button("pbNotice")->click();
        NotificationManager::instance()->removeForm(NotificationManager::instance()->shownForms().first());
        QCOMPARE(trayIcon()->property("iconPath").toString(), QStringLiteral(":/icons/trayNotActive.png"));
        QVERIFY(button("pbNotice")->styleSheet().contains(QStringLiteral("pbAttention_NoActive_normal.png")));
    }

    void trayToolTipSaysWhatIsGoingOn()
    {
        m_form = std::make_unique<MainForm>(m_velmora.get());
        QCOMPARE(trayIcon()->toolTip(), QStringLiteral("Velmora Team Monitor\nЗапись остановлена\nСегодня: 00:00"));
        startRecording();
        m_velmora->session()->setTodayTotal(QTime(2, 30));
        m_velmora->session()->setOnline(false);
        emit m_velmora->onlineChanged(QString());
        QCOMPARE(trayIcon()->toolTip(), QStringLiteral("Velmora Team Monitor\nИдёт запись: Отчёт\nОффлайн-режим: "
                                                       "активность отправится позже\nСегодня: 02:30"));
    }

    // The open menu holds the pointer; once it closes, the button rests
    // again instead of staying lit until the pointer crosses it.
    void menuButtonRestsWhenTheMenuCloses()
    {
        m_form = std::make_unique<MainForm>(m_velmora.get());
        m_form->show();
        QPushButton *menuButton = button("pbMenu");
        QMenu *menu = menuButton->menu();
        QVERIFY(menu);
        menuButton->setAttribute(Qt::WA_UnderMouse, true); // as after a press on it
        QCursor::setPos(0, 0);
        QTimer::singleShot(0, menu, &QMenu::hide);
        menu->exec(menuButton->mapToGlobal(QPoint(0, menuButton->height())));
        QVERIFY(!menuButton->testAttribute(Qt::WA_UnderMouse));
    }

    void clockToggle()
    {
        m_form = std::make_unique<MainForm>(m_velmora.get());
        m_form->show();
        m_velmora->session()->setTodayTotal(QTime(2, 30));
        m_velmora->session()->setTodayActive(QTime(1, 15));
        m_form->updateTimerLbl();
        QCOMPARE(label("lbClock")->text(), QStringLiteral("02:30:00"));
        QTest::mouseClick(label("lbClock"), Qt::LeftButton);
        QCOMPARE(label("lbActivity")->text(), QStringLiteral("Активного: "));
        QCOMPARE(label("lbClock")->text(), QStringLiteral("01:15:00"));
        QTest::mouseClick(label("lbActivity"), Qt::LeftButton);
        QCOMPARE(label("lbActivity")->text(), QStringLiteral("Сегодня: "));
        QCOMPARE(label("lbClock")->text(), QStringLiteral("02:30:00"));
    }

    void activityMessage_data()
    {
        QTest::addColumn<QTime>("today");
        QTest::addColumn<QTime>("task");
        QTest::addColumn<QString>("times");
        QTest::newRow("under an hour") << QTime(0, 25) << QTime(0, 5)
                                       << "Активное время за сегодня 25мин. Активное время по задаче 5мин.";
        QTest::newRow("hours and minutes")
            << QTime(2, 5) << QTime(1, 0) << "Активное время за сегодня 2ч. 5мин. Активное время по задаче 1ч. 0мин.";
    }

    void activityMessage()
    {
        QFETCH(QTime, today);
        QFETCH(QTime, task);
        QFETCH(QString, times);
        startRecording();
        m_velmora->session()->setTodayActive(today);
        m_velmora->session()->setTaskActiveTime(QStringLiteral("101"), task);
        m_form->showActivityMessage();
        QCOMPARE(m_notices.notices().last().text,
                 QStringLiteral("Вы работаете по задаче \"Отчёт\" в команде \"Команда\". ") + times);
    }

    void onlineStateNotices()
    {
        m_form = std::make_unique<MainForm>(m_velmora.get());
        m_velmora->session()->setOnline(false);
        emit m_velmora->onlineChanged(QStringLiteral("Ошибка соединения. "));
        QCOMPARE(m_notices.notices().last().text, QStringLiteral("Ошибка соединения. Переход в оффлайн-режим."));
        m_velmora->session()->setOnline(true);
        emit m_velmora->onlineChanged(QString());
        QCOMPARE(m_notices.notices().last().text, QStringLiteral("Переход в онлайн-режим."));
    }

    // The task line opens the task dialog; its OK makes the choice the
    // session's task.
    void taskChoice()
    {
        m_velmora->session()->setOnline(false);
        m_velmora->session()->setTeams({{QStringLiteral("7"), QStringLiteral("Команда")}});
        m_velmora->session()->setTasks(QStringLiteral("7"), {pseudoTask()});
        m_form = std::make_unique<MainForm>(m_velmora.get());
        auto *taskForm = qobject_cast<QDialog *>(topLevel(QStringLiteral("TaskForm")));
        QVERIFY(taskForm);
        QVERIFY(!taskForm->isVisible());
        QTest::mouseClick(taskLine(), Qt::LeftButton);
        QVERIFY(taskForm->isVisible());
        QTest::mouseClick(taskForm->findChildren<QPushButton *>(QStringLiteral("pbVelmora")).first(), Qt::LeftButton);
        QCOMPARE(m_velmora->session()->teamID(), QStringLiteral("7"));
        QCOMPARE(m_velmora->session()->taskID(), pseudoTaskId());
        QVERIFY(button("pbPlay")->isCheckable());
    }

    // Changing the account stops recording before the sign-in dialog shows.
    void changeAccountStopsRecording()
    {
        startRecording();
        bool wasRecording = true;
        QString dialog;
        QTimer::singleShot(0, [&] {
            wasRecording = m_velmora->session()->active();
            auto *login = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            dialog = login ? login->objectName() : QString();
            if (login)
                login->reject();
        });
        action("actionChangeAccount")->trigger();
        QCOMPARE(dialog, QStringLiteral("LoginForm"));
        QVERIFY(!wasRecording);
        QVERIFY(!button("pbPlay")->isChecked());
        QVERIFY(!timer("sendTimer")->isActive());
    }

    void aMinuteCompletesWhileTheCalendarIsOpen()
    {
        startRecording();
        timer("sendTimer")->setInterval(5); // ten ticks in a moment
        bool answered = false;
        QTimer::singleShot(0, this, [&] {
            auto *calendar = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(calendar);
            QTRY_COMPARE_WITH_TIMEOUT(activityFiles().size(), 1, 10000); // the tick timer runs meanwhile
            calendar->reject();
            answered = true;
        });
        button("pbTimeExtend")->click();
        QVERIFY(answered);
        QCOMPARE(m_velmora->session()->todayWorktime(), QTime(0, 1));
    }

    // An update asks the monitor to close: it does while the updater runs,
    // and a stale request is cleared.
    void closeForUpdate()
    {
        m_form = std::make_unique<MainForm>(m_velmora.get());
        QSignalSpy exit(m_form.get(), &MainForm::exitRequested);
        UpdateInfo::instance()->init(m_velmora.get());
        auto processes = std::make_unique<FakeProcessList>();
        FakeProcessList *running = processes.get();
        Platform::setProcesses(std::move(processes));
        m_form->show();

        UpdateInfo::instance()->setForceUpdate(true);
        m_form->checkNeedCloseToUpdate();
        QVERIFY(!UpdateInfo::instance()->forceUpdate());
        QVERIFY(m_form->isVisible());
        QCOMPARE(exit.count(), 0);

        UpdateInfo::instance()->setForceUpdate(true);
        running->running.insert(Platform::executableName(QStringLiteral("TALV-update")));
        m_form->checkNeedCloseToUpdate();
        QVERIFY(!m_form->isVisible()); // accepted
        QCOMPARE(exit.count(), 1);
        QCOMPARE(m_form->result(), int(QDialog::Accepted));
        Platform::setProcesses(nullptr);
        UpdateInfo::instance()->setForceUpdate(false);
    }

    void trayClicksToggleTheStrip()
    {
        m_form = std::make_unique<MainForm>(m_velmora.get());
        m_form->show();
        emit trayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!m_form->isVisible());
        emit trayIcon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(m_form->isVisible());
        emit trayIcon()->activated(QSystemTrayIcon::Context);
        QVERIFY(m_form->isVisible());
    }

    void escapeHidesAndNeverCloses()
    {
        m_form = std::make_unique<MainForm>(m_velmora.get());
        m_form->show();
        // The popup of the first notice would take the activation.
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_notices.clear();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        QSignalSpy finished(m_form.get(), &QDialog::finished);
        QTest::keyClick(m_form.get(), Qt::Key_Escape);
        QTRY_VERIFY(!m_form->isVisible());
        QCOMPARE(finished.count(), 0);
        QCOMPARE(action("actionToggleVisible")->text(), QStringLiteral("Показать"));
        action("actionToggleVisible")->trigger();
        QVERIFY(m_form->isVisible());
    }

    void tasksLabelTogglesTheTaskList()
    {
        m_velmora->session()->setTeamID(QStringLiteral("7"));
        m_form = std::make_unique<MainForm>(m_velmora.get());
        m_form->show();
        auto *list = qobject_cast<QDialog *>(windowTitled(QStringLiteral("Задачи команды \"Команда\"")));
        QVERIFY(list && !list->isVisible());
        QLabel *tasks = m_form->findChild<QLabel *>(QStringLiteral("lbComment"));
        QTest::mouseClick(tasks, Qt::LeftButton);
        QVERIFY(list->isVisible());
        QTest::mouseClick(tasks, Qt::LeftButton);
        QVERIFY(!list->isVisible());

        // The whole group hides and shows again together.
        QTest::mouseClick(tasks, Qt::LeftButton);
        button("pbMinimize")->click();
        QVERIFY(!m_form->isVisible() && !list->isVisible());
        action("actionToggleVisible")->trigger();
        QVERIFY(m_form->isVisible() && list->isVisible());
    }

private:
    // The window's parts, found by the names the form gives them.
    QPushButton *button(const char *name) const { return m_form->findChild<QPushButton *>(QLatin1String(name)); }
    QLabel *label(const char *name) const { return m_form->findChild<QLabel *>(QLatin1String(name)); }
    QTimer *timer(const char *name) const { return m_form->findChild<QTimer *>(QLatin1String(name)); }
    QAction *action(const char *name) const { return m_form->findChild<QAction *>(QLatin1String(name)); }
    ScrollText *taskLine() const { return m_form->findChild<ScrollText *>(QStringLiteral("lbTask")); }
    QSystemTrayIcon *trayIcon() const { return m_form->findChild<QSystemTrayIcon *>(); }

    static QWidget *topLevel(const QString &objectName)
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == objectName)
                return widget;
        }
        return nullptr;
    }

    static QWidget *windowTitled(const QString &title)
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->windowTitle() == title)
                return widget;
        }
        return nullptr;
    }

    void startRecording()
    {
        m_velmora->setTeamAndTask(QStringLiteral("7"), QStringLiteral("101"));
        if (!m_form)
            m_form = std::make_unique<MainForm>(m_velmora.get());
        button("pbPlay")->setChecked(true);
        QVERIFY(m_velmora->session()->active());
        QVERIFY(timer("sendTimer")->isActive());
    }

    void completeMinute()
    {
        for (int i = 0; i < 10; ++i)
            m_form->sendActivity();
    }

    QString activityFolder() const { return m_velmora->dataFolder().filePath(user + QStringLiteral("/activity")); }
    QStringList activityFiles() const
    {
        return QDir(activityFolder()).entryList({QStringLiteral("json*")}, QDir::Files);
    }

    /// The "active" values of the activities waiting in the folder.
    QStringList activities() const
    {
        QStringList values;
        for (const QString &name : activityFiles()) {
            QFile file(activityFolder() + QLatin1Char('/') + name);
            file.open(QIODevice::ReadOnly);
            const QJsonObject body = QJsonDocument::fromJson(file.readAll())[QStringLiteral("body")].toObject();
            if (body.contains(QStringLiteral("active")))
                values << body[QStringLiteral("active")].toString();
        }
        return values;
    }

    /// Screenshots handed to the client: those written, and those the
    /// platform could not grab (the client says so in a notice).
    /// Screenshots taken so far: files where the display gives a picture,
    /// else the notice that it could not be encoded. The popups go after each
    /// count, so that the next identical notice is not taken for a repeat.
    int screenshots()
    {
        for (const auto &notice : m_notices.notices())
            m_failedScreenshots += notice.text.startsWith(QStringLiteral("При отправке снимка экрана"));
        m_notices.clear();
        return m_failedScreenshots +
               QDir(activityFolder()).entryList({QStringLiteral("screenshot*")}, QDir::Files).size();
    }

    NoticeRecorder m_notices;
    int m_failedScreenshots = 0;
    std::unique_ptr<Velmora> m_velmora;
    std::unique_ptr<MainForm> m_form;
};

QTEST_MAIN(TestMainForm)
#include "TestMainForm.moc"

#include "mainwindow/MainForm.h"

#include "capture/ScreenCapture.h"
#include "capture/UserActivityWatcher.h"
#include "client/UpdateInfo.h"
#include "client/Velmora.h"
#include "common/AppIdentity.h"
#include "common/Clock.h"
#include "common/ProgramFiles.h"
#include "dialogs/AboutForm.h"
#include "dialogs/AbstractVelmoraForm.h"
#include "dialogs/CalendarForm.h"
#include "dialogs/LoginForm.h"
#include "dialogs/ScrollText.h"
#include "dialogs/TaskForm.h"
#include "dialogs/TaskListForm.h"
#include "mainwindow/AutoRun.h"
#include "model/NotificationType.h"
#include "notifications/NotificationManager.h"
#include "ui_MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDebug>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include <algorithm>

namespace {

/// The style sheet of a button with a normal, a hover and a pressed picture.
QString buttonStyle(const QString &normal, const QString &hover, const QString &pressed)
{
    return QStringLiteral("QPushButton{background-image: url(") + normal +
           QStringLiteral(");}QPushButton:hover:!pressed{background-image: url(") + hover +
           QStringLiteral(");}QPushButton:pressed{background-image: url(") + pressed + QStringLiteral(");}");
}

/// Sets \a style on \a widget unless it has it already: a new style sheet
/// re-polishes and repaints the widget, and the play and notice buttons are
/// refreshed after every download.
void restyle(QWidget *widget, const QString &style)
{
    if (widget->styleSheet() != style)
        widget->setStyleSheet(style);
}

QString imageStyle(const QString &stem)
{
    return buttonStyle(QStringLiteral(":/images/") + stem + QStringLiteral(".png"),
                       QStringLiteral(":/images/") + stem + QStringLiteral("_hovered.png"),
                       QStringLiteral(":/images/") + stem + QStringLiteral("_hovered_clicked.png"));
}

/// "25мин" under an hour, else "2ч. 5мин".
QString minutesText(const QTime &time)
{
    const QString minutes = QString::number(time.minute()) + QStringLiteral("мин");
    return time.hour() > 0 ? QString::number(time.hour()) + QStringLiteral("ч. ") + minutes : minutes;
}

} // namespace

MainForm::MainForm(Velmora *velmora, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::MainForm>())
    , m_velmora(velmora)
{
    setUpForm();

    const struct
    {
        QTimer *timer;
        const char *name;
        int interval;
        void (MainForm::*slot)();
    } timers[] = {{&m_sendTimer, "sendTimer", 6000, &MainForm::sendActivity},
                  {&m_updateCheckTimer, "updateCheckTimer", 3600000, &MainForm::checkUpdate},
                  {&m_closeCheckTimer, "closeCheckTimer", 1000, &MainForm::checkNeedCloseToUpdate},
                  {&m_commentsTimer, "commentsTimer", 60000, &MainForm::updateComments},
                  {&m_clockTimer, "clockTimer", 1000, &MainForm::clock},
                  {&m_activityMessageTimer, "activityMessageTimer", 1800000, &MainForm::showActivityMessage},
                  {&m_syncTimer, "syncTimer", 1740000, &MainForm::syncTime},
                  {&m_screenshotTimer, "screenshotTimer", 300000, &MainForm::screenshotTimeout}};
    for (const auto &entry : timers) {
        entry.timer->setParent(this);
        entry.timer->setObjectName(QLatin1String(entry.name));
        entry.timer->setInterval(entry.interval);
        connect(entry.timer, &QTimer::timeout, this, entry.slot);
    }
    m_updateCheckTimer.start();
    m_closeCheckTimer.start();
    m_commentsTimer.start();
    m_syncTimer.start();
    syncTime();

    Velmora::Session *session = m_velmora->session();
    connect(m_velmora, &Velmora::loginOk, this, &MainForm::updateForNewLogin);
    connect(m_velmora, &Velmora::onlineChanged, this, &MainForm::updateOnlineState);
    connect(session, &Session::taskChanged, this, &MainForm::onTaskChange);
    connect(session, &Session::timeUpdated, this, &MainForm::updateTimerLbl);
    connect(session, &Session::taskClosed, this, &MainForm::closeTask);
    connect(session, &Session::overdueTimeChanged, this, &MainForm::updateOverdueTime);
    connect(session, &Session::tasksUpdated, this, &MainForm::onTaskUpdated);
    connect(this, &MainForm::hideAll, this, &MainForm::hideAllHandler);
    connect(this, &MainForm::showAll, this, &MainForm::showAllHandler);

    createTrayIcon();
    m_taskListForm = std::make_unique<TaskListForm>(m_velmora, this);
    connect(this, &MainForm::hideAll, m_taskListForm.get(), &TaskListForm::hideAll);
    connect(this, &MainForm::showAll, m_taskListForm.get(), &TaskListForm::showAll);
    m_taskForm = std::make_unique<TaskForm>(m_velmora);
    connect(m_taskForm.get(), &QDialog::accepted, this, &MainForm::onTaskFormAccepted);
    m_aboutForm = std::make_unique<AboutForm>(m_velmora);
    connect(UserActivityWatcher::instance(), &UserActivityWatcher::wasActivity, this, &MainForm::setHasActivity);

    updateNoticeButton();
    updatePlayButton();
    updateTimerLbl();
    updateOverdueTime();
    m_velmora->requestVersion();
    NotificationManager::instance()->setMainForm(this);
    connect(NotificationManager::instance(), &NotificationManager::attentionChanged, this, &MainForm::refreshAttention);
    onTaskChange();
    if (session->taskID().isEmpty())
        NotificationManager::instance()->addNotification(QStringLiteral("Выберите задачу для начала работы."), Message,
                                                         QString());

    auto *escape = new QShortcut(QKeySequence(QStringLiteral("Esc")), this, nullptr, nullptr, Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &MainForm::hideAll);
}

MainForm::~MainForm()
{
    UserActivityWatcher::instance()->release(); // no hold outlives its tick
    NotificationManager::instance()->setMainForm(nullptr);
    NotificationManager::instance()->deleteShownForms();
}

void MainForm::setUpForm()
{
    m_ui->setupUi(this);
    // The strip's geometry is fixed to the pixel, so its text has a fixed
    // size (in the bundled font, the application's).
    const QFont stripFont = useFixedFont(this, 11);
    // The captions and the overdue time are a pixel smaller, so that their
    // longest texts ("Активного: ", "99д. 23ч. 59 мин.") fit their places.
    QFont smaller = stripFont;
    smaller.setPixelSize(10);
    for (QLabel *label : {m_ui->lbOverdue, m_ui->lbActivity, m_ui->lbOverdueTime})
        label->setFont(smaller);

    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.right() - width(), available.bottom() - height());
    }
    m_background.load(QStringLiteral(":/images/main.png"));

    m_lbTask = new ScrollText(true, this);
    m_lbTask->setObjectName(QStringLiteral("lbTask"));
    m_lbTask->setGeometry(34, 33, 171, 13);
    for (QWidget *watched : {static_cast<QWidget *>(m_lbTask), static_cast<QWidget *>(m_ui->lbComment),
                             static_cast<QWidget *>(m_ui->lbActivity), static_cast<QWidget *>(m_ui->lbClock)})
        watched->installEventFilter(this);
    m_ui->pbTimeExtend->setStyleSheet(
        buttonStyle(QStringLiteral(":/icons/res/icons/pbTimeExtend_NoActive_normal.png"),
                    QStringLiteral(":/icons/res/icons/pbTimeExtend_NoActive_Hovered.png"),
                    QStringLiteral(":/icons/res/icons/pbTimeExtend_NoActive_Pressed.png")));
}

void MainForm::createTrayIcon()
{
    m_trayIcon = new QSystemTrayIcon(this);
    createMenu();
    updateTrayIcon();
    m_trayIcon->setVisible(true);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &MainForm::trayActivated);
}

void MainForm::createMenu()
{
    m_menu = new QMenu(m_ui->pbMenu);
    m_menu->addAction(m_ui->actionStartStop);
    m_menu->addAction(m_ui->actionToggleVisible);
    m_menu->addAction(m_ui->actionChangeAccount);
    m_menu->addAction(m_ui->actionAutostart);
    m_menu->addSeparator();
    m_menu->addAction(m_ui->actionAbout);
    m_menu->addSeparator();
    m_menu->addAction(m_ui->actionExit);
    // Building the menu writes nothing: the action takes the entry's state
    // first and is bound to it afterwards. It is bound whether the entry is
    // on or off, so that the user can also switch autostart on.
    m_ui->actionAutostart->setCheckable(true);
    auto *autoRun = new AutoRun(this);
    m_ui->actionAutostart->setChecked(autoRun->isEnabled());
    connect(m_ui->actionAutostart, &QAction::toggled, autoRun, &AutoRun::enable);
    m_ui->pbMenu->setMenu(m_menu);
    m_trayIcon->setContextMenu(m_menu);
    // The open menu takes the pointer, so the button never sees it leave:
    // it goes back to rest unless the pointer is still on it.
    connect(m_menu, &QMenu::aboutToHide, this, [this] {
        QPushButton *button = m_ui->pbMenu;
        if (!button->rect().contains(button->mapFromGlobal(QCursor::pos()))) {
            button->setAttribute(Qt::WA_UnderMouse, false);
            button->update();
        }
    });
}

// Recording ------------------------------------------------------------------

void MainForm::setHasActivity()
{
    m_hasActivity = true;
    // The tick is active: more input changes nothing until the next one, so
    // the watcher need not look (a person at work would wake it ten times a
    // second).
    if (m_sendTimer.isActive())
        UserActivityWatcher::instance()->hold();
}

void MainForm::sendActivity()
{
    ++m_tickCount;
    if (m_hasActivity) {
        ++m_activeTicks;
        m_hasActivity = false;
    }
    // A new tick: only input from now on makes it active.
    UserActivityWatcher::instance()->release();
    if (m_tickCount != 10)
        return;
    Velmora::Session *session = m_velmora->session();
    session->addWorkMinute();
    if (m_activeTicks > 0)
        session->addActiveMinute();
    else
        session->showStoredActive();
    m_velmora->sendActivity(m_activeTicks);
    m_tickCount = 0;
    m_activeTicks = 0;
    takeScreenshot();
}

void MainForm::takeScreenshot()
{
    if (!m_screenshotDue)
        return;
    m_screenshotDue = false;
    m_screenshotTimer.start();
    m_velmora->sendScreenshot(grabDesktop());
}

void MainForm::screenshotTimeout()
{
    m_screenshotDue = true;
    m_screenshotTimer.stop();
}

void MainForm::clock()
{
    m_velmora->session()->tickSecond();
    updateOverdueTime();
}

void MainForm::on_pbPlay_toggled(bool checked)
{
    qDebug() << "MainForm on_pbPlay_toggled";
    if (checked)
        startTracking();
    else
        stopTracking();
}

void MainForm::on_actionStartStop_triggered()
{
    qDebug() << "MainForm on_actionStartStop_triggered";
    m_ui->pbPlay->setChecked(!m_ui->pbPlay->isChecked());
}

void MainForm::startTracking()
{
    m_hasActivity = false;
    m_tickCount = 0;
    m_activeTicks = 0;
    qDebug() << "Monitor started";
    m_velmora->session()->setActive(true);
    m_sendTimer.start();
    m_clockTimer.start();
    if (!m_screenshotTimer.isActive() && !m_screenshotDue)
        m_screenshotTimer.start();
    m_activityMessageTimer.start();
    m_ui->actionStartStop->setText(QStringLiteral("Стоп"));
    updateTrayIcon();
    updatePlayButton();
    const QSignalBlocker blocker(m_ui->pbPlay);
    m_ui->pbPlay->setChecked(true);
}

void MainForm::stopTracking()
{
    qDebug() << "Monitor stopped";
    Velmora::Session *session = m_velmora->session();
    session->setActive(false);
    m_sendTimer.stop();
    UserActivityWatcher::instance()->release();
    m_clockTimer.stop();
    m_screenshotTimer.stop();
    m_activityMessageTimer.stop();
    session->showStoredActive();
    session->showStoredWork();
    m_ui->actionStartStop->setText(QStringLiteral("Старт"));
    updateTrayIcon();
    updatePlayButton();
    const QSignalBlocker blocker(m_ui->pbPlay);
    m_ui->pbPlay->setChecked(false);
}

void MainForm::onTaskChange()
{
    Velmora::Session *session = m_velmora->session();
    const QString teamId = session->teamID();
    QString taskId = session->taskID();
    const Task task = session->findTask(teamId, taskId);

    const QList<Task> teamTasks = session->tasks(teamId);
    const bool known = std::any_of(teamTasks.cbegin(), teamTasks.cend(),
                                   [&task](const Task &candidate) { return candidate.id == task.id; });
    if (!teamTasks.isEmpty() && !known) {
        taskId.clear();
        session->setTaskID(QString());
    }

    if (taskId.isEmpty()) {
        m_ui->pbPlay->setChecked(false);
        m_ui->pbPlay->setCheckable(false);
        m_lbTask->setText(QStringLiteral("Выбрать задачу"));
    } else {
        if (m_lbTask->text() != task.title)
            m_lbTask->setText(task.title);
        m_ui->pbTask->setIcon(QIcon(taskIcon(task)));
        updateOverdueTime();
        if (!m_ui->pbPlay->isCheckable())
            m_ui->pbPlay->setCheckable(true);
        m_ui->pbPlay->setChecked(session->active());
    }
    m_lbTask->setToolTip(m_lbTask->text());
    updatePlayButton();
    updateTrayToolTip();
}

void MainForm::onTaskUpdated(const QString &teamId)
{
    if (teamId == m_velmora->session()->teamID())
        onTaskChange();
}

void MainForm::closeTask(const QString &task_id)
{
    Velmora::Session *session = m_velmora->session();
    if (task_id != session->taskID())
        return;
    const bool wasRecording = session->active();
    session->setTaskID(QString());
    if (wasRecording) {
        session->setActive(false);
        NotificationManager::instance()->addNotification(QStringLiteral("Запись активности остановлена!"), Message,
                                                         QString());
    }
}

void MainForm::updateForNewLogin()
{
    onTaskChange();
    updateTimerLbl();
    updateOverdueTime();
}

void MainForm::updateOnlineState(const QString &message)
{
    const bool online = m_velmora->session()->isOnline();
    qDebug() << "Online state is " << (online ? "true" : "false");
    updatePlayButton();
    updateTrayToolTip();
    NotificationManager::instance()->addNotification(
        message + (online ? QStringLiteral("Переход в онлайн-режим.") : QStringLiteral("Переход в оффлайн-режим.")),
        Message, QString());
}

void MainForm::showActivityMessage()
{
    Velmora::Session *session = m_velmora->session();
    const Task task = session->findTask(session->teamID(), session->taskID());
    const QString quote = QStringLiteral("\"");
    NotificationManager::instance()->addNotification(
        QStringLiteral("Вы работаете по задаче ") + quote + task.title + quote + QStringLiteral(" в команде ") + quote +
            session->teamName(session->teamID()).second + quote + QStringLiteral(". ") +
            QStringLiteral("Активное время за сегодня ") + minutesText(session->todayActivetime()) +
            QStringLiteral(". Активное время по задаче ") + minutesText(session->todayActiveTime(session->taskID())) +
            QStringLiteral("."),
        Message, QString());
}

void MainForm::updateComments()
{
    m_velmora->requestTeamsAndTasks();
}

void MainForm::checkUpdate()
{
    m_velmora->requestVersion();
}

void MainForm::syncTime()
{
    m_velmora->requestActiveTime(m_velmora->session()->taskID());
}

void MainForm::checkNeedCloseToUpdate()
{
    UpdateInfo *info = UpdateInfo::instance();
    if (!info->forceUpdate())
        return;
    if (isProcessRunning(ProgramFiles::updaterFileName()))
        on_actionExit_triggered();
    else
        info->setForceUpdate(false);
}

void MainForm::on_pbTimeExtend_clicked()
{
    Velmora::Session *session = m_velmora->session();
    if (session->taskID() == pseudoTaskId() || session->teamID() == exemptTeamId()) {
        NotificationManager::instance()->addNotification(
            QStringLiteral("Для данной задачи невозможно выполнить перенос дедлайна."), Message, QString());
        return;
    }
    // Recording goes on while the dialog runs: its event loop serves the
    // timers. Leaving the program quits that loop too, and the dialog goes
    // with this call.
    CalendarForm calendar;
    connect(&calendar, &QDialog::accepted, this, &MainForm::onRequestDeadlineAccepted);
    calendar.exec();
}

void MainForm::onRequestDeadlineAccepted()
{
    const auto *calendar = qobject_cast<CalendarForm *>(sender());
    if (!calendar)
        return;
    const QTime time = calendar->selectedTime();
    const QString reason = calendar->getReason();
    m_velmora->requestDeadlineChange(calendar->selectedDate(), reason, time);
}

// Presentation ---------------------------------------------------------------

void MainForm::updatePlayButton()
{
    Velmora::Session *session = m_velmora->session();
    if (session->taskID().isEmpty()) {
        restyle(m_ui->pbPlay, QStringLiteral("background-image: url(:/images/pbPlay_Disabled.png);"));
        return;
    }
    const QString state = session->active() ? QStringLiteral("pbPause") : QStringLiteral("pbPlay");
    const QString network = session->isOnline() ? QStringLiteral("_Online") : QStringLiteral("_Offline");
    restyle(m_ui->pbPlay, imageStyle(state + network));
}

void MainForm::updateTrayIcon()
{
    const bool notices = NotificationManager::instance()->hasNotifications();
    const bool recording = m_velmora->session()->active();
    QString icon;
    if (notices)
        icon = recording ? QStringLiteral(":/icons/trayActive_attention.png")
                         : QStringLiteral(":/icons/trayNotactive_attention.png");
    else
        icon = recording ? QStringLiteral(":/icons/trayActive.png") : QStringLiteral(":/icons/trayNotActive.png");
    updateTrayToolTip();
    if (m_trayIcon->property("iconPath").toString() == icon)
        return;
    m_trayIcon->setIcon(QIcon(icon));
    m_trayIcon->setProperty("iconPath", icon);
}

void MainForm::updateTrayToolTip()
{
    // What a glance at the tray should tell; the day's time in minutes, so
    // that the tip changes once a minute and not with every second.
    if (!m_trayIcon)
        return;
    Velmora::Session *session = m_velmora->session();
    QStringList lines{AppIdentity::monitorName()};
    if (session->active())
        lines << QStringLiteral("Идёт запись: ") + m_lbTask->text();
    else
        lines << QStringLiteral("Запись остановлена");
    if (!session->isOnline())
        lines << QStringLiteral("Оффлайн-режим: активность отправится позже");
    lines << QStringLiteral("Сегодня: ") + session->shownWorkTime().toString(QStringLiteral("hh:mm"));
    const QString toolTip = lines.join(QLatin1Char('\n'));
    if (m_trayIcon->toolTip() != toolTip)
        m_trayIcon->setToolTip(toolTip);
}

void MainForm::updateNoticeButton()
{
    if (NotificationManager::instance()->hasNotifications())
        restyle(m_ui->pbNotice, buttonStyle(QStringLiteral(":/images/pbAttention_Active_normal.png"),
                                            QStringLiteral(":/images/pbAttention_Active_Hovered.png"),
                                            QStringLiteral(":/images/pbAttention_Active_clicked.png")));
    else
        restyle(m_ui->pbNotice, buttonStyle(QStringLiteral(":/images/pbAttention_NoActive_normal.png"),
                                            QStringLiteral(":/images/pbAttention_NoActive_Hoveredl.png"),
                                            QStringLiteral(":/images/pbAttention_NoActive_clicked.png")));
}

void MainForm::refreshAttention()
{
    updateTrayIcon();
    updateNoticeButton();
}

void MainForm::updateTimerLbl()
{
    Velmora::Session *session = m_velmora->session();
    const QTime shown = m_showActive ? session->shownActiveTime() : session->shownWorkTime();
    m_ui->lbClock->setText(shown.toString(QStringLiteral("hh:mm:ss")));
    updateTrayToolTip();
}

void MainForm::toggleTimeMode()
{
    m_showActive = !m_showActive;
    m_ui->lbActivity->setText(m_showActive ? QStringLiteral("Активного: ") : QStringLiteral("Сегодня: "));
    updateTimerLbl();
}

QString MainForm::overdueText(const QDateTime &deadline, const QDateTime &now)
{
    qint64 days = deadline.date().daysTo(now.date());
    const int d = now.time().secsTo(deadline.time());
    int rest = -d;
    if (d > 0) {
        rest = 86400 - d;
        --days;
    }
    QString text;
    if (days > 0)
        text += QString::number(days) + QStringLiteral("д. ");
    const QTime t = QTime(0, 0).addSecs(rest);
    if (t.hour() > 0)
        text += QString::number(t.hour()) + QStringLiteral("ч. ");
    if (t.minute() > 0)
        text += QString::number(t.minute()) + QStringLiteral(" мин.");
    return text;
}

void MainForm::updateOverdueTime()
{
    // Runs every second while recording: one look-up of the deadline.
    Velmora::Session *session = m_velmora->session();
    const QDateTime deadline = session->currentDeadline();
    const QDateTime now = Clock::now();
    if (session->taskID() == pseudoTaskId() || session->taskID().isEmpty() || deadline.secsTo(now) < 0) {
        m_ui->lbOverdue->hide();
        m_ui->lbOverdueTime->hide();
        return;
    }
    m_ui->lbOverdue->show();
    m_ui->lbOverdueTime->show();
    m_ui->lbOverdueTime->setText(overdueText(deadline, now));
    const QString toolTip = deadlineText(deadline);
    m_ui->lbOverdueTime->setToolTip(toolTip);
    m_ui->lbOverdue->setToolTip(toolTip);
}

void MainForm::on_actionExit_triggered()
{
    exitProgram();
}

void MainForm::exitProgram()
{
    qDebug() << "MainForm on_actExit_activated";
    accept();
    emit exitRequested();
}

void MainForm::on_actionToggleVisible_triggered()
{
    if (isVisible())
        emit hideAll();
    else
        emit showAll();
    NotificationManager::instance()->raiseShownForms();
}

void MainForm::on_pbMinimize_clicked()
{
    qDebug() << "MainForm on_pbMinimize_clicked";
    emit hideAll();
}

void MainForm::on_pbTask_clicked()
{
    m_taskForm->show();
    m_taskForm->activateWindow();
    m_taskForm->reload();
}

void MainForm::on_actionAbout_triggered()
{
    m_aboutForm->checkForUpdates();
    m_aboutForm->show();
}

void MainForm::onTaskFormAccepted()
{
    m_velmora->setTeamAndTask(m_taskForm->currentTeamId(), m_taskForm->currentTaskId());
}

void MainForm::on_actionChangeAccount_triggered()
{
    // Recording stops before the session can change hands.
    m_ui->pbPlay->setChecked(false);
    LoginForm login(m_velmora);
    login.exec();
}

void MainForm::on_pbNotice_clicked()
{
    NotificationManager::instance()->toggleForms();
}

void MainForm::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
        on_actionToggleVisible_triggered();
}

void MainForm::hideAllHandler()
{
    qDebug() << "MainForm hideAllHandler";
    hide();
}

void MainForm::showAllHandler()
{
    qDebug() << "MainForm showAllHandler";
    show();
}

bool MainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && (watched == m_ui->lbActivity || watched == m_ui->lbClock))
        toggleTimeMode();
    if (event->type() == QEvent::MouseButtonPress && watched == m_lbTask)
        on_pbTask_clicked();
    if (event->type() == QEvent::MouseButtonPress && watched == m_ui->lbComment) {
        if (m_taskListForm->isVisible()) {
            m_taskListForm->on_pbHide_clicked();
        } else {
            m_taskListForm->show();
            NotificationManager::instance()->raiseShownForms();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void MainForm::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(rect(), m_background, m_background.rect());
    QDialog::paintEvent(event);
}

void MainForm::showEvent(QShowEvent *event)
{
    m_ui->actionToggleVisible->setText(QStringLiteral("Спрятать"));
    QDialog::showEvent(event);
}

void MainForm::hideEvent(QHideEvent *event)
{
    m_ui->actionToggleVisible->setText(QStringLiteral("Показать"));
    QDialog::hideEvent(event);
}

void MainForm::keyPressEvent(QKeyEvent *event)
{
    // Esc never closes the strip: its shortcut hides the window instead.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

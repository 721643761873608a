#pragma once

#include "model/Task.h"

#include <QDialog>
#include <QImage>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>

class AboutForm;
class QMenu;
class ScrollText;
class TaskForm;
class TaskListForm;
class Velmora;

namespace Ui {
class MainForm;
}

/// The main window: the strip at the bottom right of the screen with its
/// tray icon and menu, and the controller of recording.
///
/// While recording, every six seconds is a tick; ten ticks make a minute of
/// work, active when input was seen in at least one of its ticks. Each
/// completed minute goes to the client as one activity, and the first
/// completed minute at or after five minutes from the last screenshot takes
/// the next one.
class MainForm : public QDialog
{
    Q_OBJECT

public:
    explicit MainForm(Velmora *velmora, QWidget *parent = nullptr);
    ~MainForm() override;

    void updatePlayButton();
    void updateTrayIcon();
    /// The tray's tool tip: the product, whether it records (and what),
    /// whether it is offline, and the day's work time.
    void updateTrayToolTip();
    void updateNoticeButton();
    /// The tray icon and the notice button follow whether notices wait.
    void refreshAttention();
    /// Ends the program the way the menu's exit does (a logout or a signal
    /// asks for it).
    void exitProgram();
    /// Switches the clock between the day's work time and active time.
    void toggleTimeMode();
    /// The text of the overdue label for a deadline \a deadline at \a now,
    /// such as "1д. 2ч. 5 мин."; empty under a minute.
    static QString overdueText(const QDateTime &deadline, const QDateTime &now);

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void hideAll();
    void showAll();
    /// The user (or the end of the session, or an update) asked the program
    /// to end; the window is already accepted. The program quits on it.
    void exitRequested();

public slots:
    // The recording controller, as its timers drive it.
    void setHasActivity();
    void sendActivity();
    void clock();
    void startTracking();
    void stopTracking();
    void screenshotTimeout();
    void showActivityMessage();
    void checkNeedCloseToUpdate();
    void updateComments();
    void checkUpdate();
    void syncTime();
    void updateTimerLbl();
    void updateOverdueTime();

private slots:
    void updateOnlineState(const QString &message);
    void onTaskChange();
    void updateForNewLogin();
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    void on_actionExit_triggered();
    void on_actionToggleVisible_triggered();
    void on_pbMinimize_clicked();
    void on_actionStartStop_triggered();
    void on_pbPlay_toggled(bool checked);
    void on_pbNotice_clicked();
    void on_pbTimeExtend_clicked();
    void on_pbTask_clicked();
    void on_actionChangeAccount_triggered();
    void on_actionAbout_triggered();
    void onTaskFormAccepted();
    void closeTask(const QString &task_id);
    void hideAllHandler();
    void showAllHandler();
    void onTaskUpdated(const QString &teamId);
    void onRequestDeadlineAccepted();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setUpForm();
    void createTrayIcon();
    void createMenu();
    void takeScreenshot();

    std::unique_ptr<Ui::MainForm> m_ui;
    QImage m_background;
    QMenu *m_menu = nullptr;
    QSystemTrayIcon *m_trayIcon = nullptr;
    std::unique_ptr<AboutForm> m_aboutForm;
    std::unique_ptr<TaskListForm> m_taskListForm;
    std::unique_ptr<TaskForm> m_taskForm;
    bool m_showActive = false;

    // Children of the window, named after their jobs ("sendTimer", ...).
    QTimer m_sendTimer;
    QTimer m_updateCheckTimer;
    QTimer m_closeCheckTimer;
    QTimer m_commentsTimer;
    QTimer m_clockTimer;
    QTimer m_activityMessageTimer;
    QTimer m_syncTimer;
    QTimer m_screenshotTimer;

    bool m_hasActivity = false;
    int m_tickCount = 0;
    int m_activeTicks = 0;
    bool m_screenshotDue = true;
    Velmora *m_velmora;

    /// The chosen task's title, added outside the form.
    ScrollText *m_lbTask = nullptr;

    Q_DISABLE_COPY(MainForm)
};

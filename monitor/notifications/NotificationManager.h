#pragma once

#include "model/Notifier.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class NotificationForm;

/// Shows the notices the program raises as popups stacked upward from the
/// bottom-right corner of the screen, above the main window.
///
/// Popups that do not fit on the screen wait in a queue and take the top
/// slot when a shown one closes; the main window's notice button hides the
/// shown popups into the queue and shows the whole queue again. The manager
/// owns every popup, shown or queued, and deletes each once.
class NotificationManager : public QObject, public Notifier
{
    Q_OBJECT

public:
    static NotificationManager *instance();
    ~NotificationManager() override;

    /// Shows a notice of \a type about \a text when it fits on the screen,
    /// else queues it. A new update notice replaces the one on screen.
    void addNotification(const QString &text, int type, const QString &taskId) override;

    /// The main window: popups stand above it while it is visible, and
    /// move when it shows or hides.
    void setMainForm(QWidget *mainForm);
    /// Whether any popup is shown or queued.
    bool hasNotifications() const { return !m_shown.isEmpty() || !m_pending.isEmpty(); }

    /// Takes \a form off the screen for good: the popups above it move down
    /// one slot and the first queued popup takes the freed top slot.
    void removeForm(NotificationForm *form);
    /// The notice button: shows the queue when nothing is shown, else hides
    /// the shown popups into it.
    void toggleForms();
    /// Moves every shown popup that is not fading to the end of the queue.
    void hideShownForms();
    /// Shows every queued popup in queue order, fitting or not.
    void showPendingForms();
    /// Keeps the shown popups above a window just brought to the front.
    void raiseShownForms();
    /// Deletes the shown popups at once (the main window's end).
    void deleteShownForms();

    QList<NotificationForm *> shownForms() const { return m_shown; }
    /// The queued notices, in queue order.
    QList<Notice> pendingNotices() const;

    /// Replaces the system beep that announces a shown popup (tests);
    /// nullptr restores it.
    static void setBeep(void (*beep)());

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    /// A notice was raised, shown or queued.
    void notificationAdded(const QString &text, int type, const QString &taskId);
    /// Notices came or went: the main window's tray icon and notice button
    /// follow hasNotifications().
    void attentionChanged();

public slots:
    void hideForm();

private:
    /// A queued notice. One that never had a slot is only a record; a popup
    /// hidden by the notice button keeps its window.
    struct Waiting
    {
        Notice notice;
        NotificationForm *form = nullptr;
    };

    explicit NotificationManager(QObject *parent = nullptr);
    NotificationForm *createForm(const Notice &notice);
    /// Whether the same notice is on screen (and not fading) or queued.
    bool isKnown(const Notice &notice) const;
    void show(NotificationForm *form);
    /// Shows the first queued notice, making its window when it has none.
    void showFirstPending();
    void refreshAttention();

    QPointer<QWidget> m_mainForm;
    QList<NotificationForm *> m_shown;
    QList<Waiting> m_pending;

    Q_DISABLE_COPY(NotificationManager)
};

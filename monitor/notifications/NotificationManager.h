#pragma once

#include "model/Notifier.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

/// Collects the notices the program raises and shows them as popups at the
/// bottom right of the screen.
///
/// This is its least form: it records each notice, logs it, announces it
/// with notificationAdded() and keeps the main window's attention signs
/// (tray icon, notice button) in step. The popups come with the notices work;
/// until then the notice button acknowledges the waiting notices.
class NotificationManager : public QObject, public Notifier
{
    Q_OBJECT

public:
    struct Notice
    {
        QString text;
        int type = 0;
        QString taskId;
    };

    static NotificationManager *instance();

    void addNotification(const QString &text, int type, const QString &taskId) override;

    /// The main window, whose refreshAttention() runs when notices come or go.
    void setMainForm(QWidget *mainForm);
    /// Whether notices wait to be seen.
    bool hasNotifications() const { return !m_notices.isEmpty(); }
    /// The notice button: the waiting notices count as seen.
    void toggleForms();
    /// Keeps shown popups above the main window (none are shown yet).
    void raiseShownForms() {}
    /// Deletes the shown popups (none are shown yet).
    void deleteShownForms() {}

    /// The notices raised so far and not yet seen, oldest first.
    QList<Notice> notices() const { return m_notices; }
    void clear() { m_notices.clear(); }

signals:
    void notificationAdded(const QString &text, int type, const QString &taskId);

private:
    explicit NotificationManager(QObject *parent = nullptr);
    void refreshAttention();

    QList<Notice> m_notices;
    QPointer<QWidget> m_mainForm;

    Q_DISABLE_COPY(NotificationManager)
};

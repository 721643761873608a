#pragma once

#include "model/Notifier.h"

#include <QList>
#include <QObject>
#include <QString>

/// Collects the notices the program raises and shows them as popups at the
/// bottom right of the screen.
///
/// This is its least form: it records each notice, logs it and announces it
/// with notificationAdded(). The popups themselves come with the notices work.
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

    /// The notices raised so far, oldest first.
    QList<Notice> notices() const { return m_notices; }
    void clear() { m_notices.clear(); }

signals:
    void notificationAdded(const QString &text, int type, const QString &taskId);

private:
    explicit NotificationManager(QObject *parent = nullptr);

    QList<Notice> m_notices;

    Q_DISABLE_COPY(NotificationManager)
};

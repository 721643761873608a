#pragma once

#include "notifications/NotificationManager.h"

#include <QList>
#include <QObject>
#include <QString>

/// Records the notices raised through the notification manager, and clears
/// its popups between tests.
class NoticeRecorder : public QObject
{
public:
    using Notice = Notifier::Notice;

    NoticeRecorder()
    {
        connect(NotificationManager::instance(), &NotificationManager::notificationAdded, this,
                [this](const QString &text, int type, const QString &taskId) {
                    m_notices.append({text, type, taskId});
                });
    }

    QList<Notice> notices() const { return m_notices; }

    /// Forgets the recorded notices and deletes every popup, shown or queued.
    void clear()
    {
        m_notices.clear();
        NotificationManager *manager = NotificationManager::instance();
        manager->showPendingForms();
        manager->deleteShownForms();
    }

private:
    QList<Notice> m_notices;
};

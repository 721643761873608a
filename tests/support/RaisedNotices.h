#pragma once

// Records the notices the model and the client raise, in place of the
// popups, for tests below the notification manager.

#include "model/Notifier.h"

#include <QList>
#include <QString>
#include <QStringList>

class RaisedNotices final : public Notifier
{
public:
    /// Receives every notice while it lives.
    RaisedNotices() { Notifier::install(this); }

    void addNotification(const QString &text, int type, const QString &taskId) override
    {
        notices.append({text, type, taskId});
    }

    QStringList texts() const
    {
        QStringList result;
        for (const Notice &notice : notices)
            result << notice.text;
        return result;
    }

    QList<Notice> notices;
};

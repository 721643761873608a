#pragma once

#include <QString>

/// The kinds of notice. Callers pass the plain numbers, so the values are
/// fixed.
enum NotificationType
{
    Message = 0,
    TeamAdded = 1,
    TeamRemoved = 2,
    TaskAdded = 3,
    TaskRemoved = 4,
    CommentAdded = 5,
    UpdateAvailable = 6,
    DeadlineChanged = 7,
    TaskBlocked = 8,
    TaskUnblocked = 9,
    BlockingTaskAdded = 10,
};

/// The text a notice of \a type shows for \a text (a name, a title, a
/// version or, for Message and unknown types, the whole message).
QString messageText(const QString &text, int type);

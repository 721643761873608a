#pragma once

#include <QString>

/// Where the model and the client send the notices they raise.
///
/// They sit below the windows that show notices, so they cannot call the
/// notification manager themselves. The program installs the manager here at
/// start-up; tests install a recorder. With nothing installed a notice is
/// only logged.
class Notifier
{
public:
    /// A notice as raised.
    struct Notice
    {
        QString text;
        int type = 0;
        QString taskId;

        bool operator==(const Notice &other) const
        {
            return type == other.type && text == other.text && taskId == other.taskId;
        }
    };

    /// Shows (or queues) a notice of \a type about \a text; \a taskId names
    /// the task it concerns and may be empty.
    virtual void addNotification(const QString &text, int type, const QString &taskId) = 0;

    /// Makes \a notifier the receiver of every notice; nullptr uninstalls.
    static void install(Notifier *notifier);
    /// Hands a notice to the installed receiver.
    static void raise(const QString &text, int type, const QString &taskId = QString());

protected:
    /// A receiver that goes away uninstalls itself.
    ~Notifier();
};

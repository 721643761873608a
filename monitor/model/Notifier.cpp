#include "model/Notifier.h"

#include <QDebug>

namespace {
Notifier *installed = nullptr;
}

Notifier::~Notifier()
{
    if (installed == this)
        installed = nullptr;
}

void Notifier::install(Notifier *notifier)
{
    installed = notifier;
}

void Notifier::raise(const QString &text, int type, const QString &taskId)
{
    if (installed)
        installed->addNotification(text, type, taskId);
    else
        qDebug() << "Notice without a receiver" << type << text << taskId;
}

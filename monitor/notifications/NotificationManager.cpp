#include "notifications/NotificationManager.h"

#include <QDebug>

NotificationManager *NotificationManager::instance()
{
    static NotificationManager *manager = new NotificationManager;
    return manager;
}

NotificationManager::NotificationManager(QObject *parent)
    : QObject(parent)
{}

void NotificationManager::addNotification(const QString &text, int type, const QString &taskId)
{
    m_notices.append({text, type, taskId});
    qDebug() << "NotificationManager addNotification" << text << type << taskId;
    emit notificationAdded(text, type, taskId);
    refreshAttention();
}

void NotificationManager::setMainForm(QWidget *mainForm)
{
    m_mainForm = mainForm;
}

void NotificationManager::toggleForms()
{
    m_notices.clear();
    refreshAttention();
}

void NotificationManager::refreshAttention()
{
    // The main window sits above this module; it is reached by name.
    if (m_mainForm)
        QMetaObject::invokeMethod(m_mainForm, "refreshAttention");
}

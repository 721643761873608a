#include "notifications/NotificationManager.h"

#include "model/NotificationType.h"
#include "notifications/NotificationForm.h"

#include <QApplication>
#include <QDebug>
#include <QScreen>

namespace {

NotificationManager *manager = nullptr;
void (*beepFunction)() = nullptr;

void beep()
{
    if (beepFunction)
        beepFunction();
    else
        QApplication::beep();
}

// Popups are widgets, so they must go while the application object still
// exists: the manager ends with it, not with the process.
void deleteManager()
{
    delete manager;
    manager = nullptr;
}

} // namespace

NotificationManager *NotificationManager::instance()
{
    if (!manager) {
        manager = new NotificationManager;
        qAddPostRoutine(deleteManager);
    }
    return manager;
}

NotificationManager::NotificationManager(QObject *parent)
    : QObject(parent)
{}

NotificationManager::~NotificationManager()
{
    qDeleteAll(m_shown);
    qDeleteAll(m_pending);
}

void NotificationManager::setBeep(void (*beep)())
{
    beepFunction = beep;
}

void NotificationManager::addNotification(const QString &text, int type, const QString &taskId)
{
    qDebug() << "NotificationManager addNotification" << text << type << taskId;
    if (type == UpdateAvailable) {
        const QList<NotificationForm *> shown = m_shown;
        for (NotificationForm *form : shown)
            if (form->type() == UpdateAvailable)
                removeForm(form);
    }

    auto *form = new NotificationForm(text, type, taskId, m_mainForm);
    connect(form, &NotificationForm::notificationClosed, this, &NotificationManager::hideForm);
    form->place(m_shown.size());
    const QRect area = form->screen()->availableGeometry();
    if (form->y() >= 0 && form->y() + form->height() - 1 <= area.bottom()) {
        show(form);
        beep();
    } else {
        m_pending.append(form);
    }
    emit notificationAdded(text, type, taskId);
}

void NotificationManager::show(NotificationForm *form)
{
    form->place(m_shown.size());
    form->show();
    m_shown.append(form);
    refreshAttention();
}

void NotificationManager::setMainForm(QWidget *mainForm)
{
    m_mainForm = mainForm;
}

void NotificationManager::hideForm()
{
    removeForm(qobject_cast<NotificationForm *>(sender()));
}

void NotificationManager::removeForm(NotificationForm *form)
{
    const int index = m_shown.indexOf(form);
    if (!form || index < 0)
        return;
    m_shown.removeAt(index);
    for (int i = index; i < m_shown.size(); ++i) {
        m_shown[i]->place(i);
        m_shown[i]->update();
    }
    if (!m_pending.isEmpty())
        show(m_pending.takeFirst());
    if (m_shown.isEmpty())
        refreshAttention();
    form->hide();
    form->deleteLater();
}

void NotificationManager::toggleForms()
{
    if (m_shown.isEmpty())
        showPendingForms();
    else
        hideShownForms();
}

void NotificationManager::hideShownForms()
{
    const QList<NotificationForm *> shown = m_shown;
    for (NotificationForm *form : shown) {
        if (form->isClosing())
            continue;
        form->hide();
        m_pending.append(form);
        m_shown.removeOne(form);
    }
}

void NotificationManager::showPendingForms()
{
    while (!m_pending.isEmpty())
        show(m_pending.takeFirst());
}

void NotificationManager::raiseShownForms()
{
    for (NotificationForm *form : qAsConst(m_shown)) {
        form->update();
        form->activateWindow();
        form->raise();
    }
}

void NotificationManager::deleteShownForms()
{
    qDeleteAll(m_shown);
    m_shown.clear();
}

void NotificationManager::refreshAttention()
{
    // The main window sits above this module; it is reached by name.
    if (m_mainForm)
        QMetaObject::invokeMethod(m_mainForm, "refreshAttention");
}

#include "notifications/NotificationManager.h"

#include "model/NotificationType.h"
#include "notifications/NotificationForm.h"

#include <QApplication>
#include <QDebug>
#include <QEvent>
#include <QGuiApplication>
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
    for (const Waiting &waiting : qAsConst(m_pending))
        delete waiting.form;
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

    // The same notice twice tells the user nothing new: a large team whose
    // descriptions the service refuses would otherwise raise one per task.
    const Notice notice{text, type, taskId};
    if (isKnown(notice))
        return;

    // Only a notice with a free slot becomes a window; the rest wait as
    // records.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint top = NotificationForm::slotPosition(m_shown.size(), m_mainForm, area);
    if (top.y() >= 0 && top.y() + NotificationForm::popupSize().height() - 1 <= area.bottom()) {
        show(createForm(notice));
        beep();
    } else {
        m_pending.append({notice, nullptr});
    }
    emit notificationAdded(text, type, taskId);
}

NotificationForm *NotificationManager::createForm(const Notice &notice)
{
    auto *form = new NotificationForm(notice.text, notice.type, notice.taskId, m_mainForm);
    connect(form, &NotificationForm::notificationClosed, this, &NotificationManager::hideForm);
    return form;
}

bool NotificationManager::isKnown(const Notice &notice) const
{
    for (const NotificationForm *form : m_shown) {
        if (!form->isClosing() && notice == Notice{form->text(), form->type(), form->taskId()})
            return true;
    }
    for (const Waiting &waiting : m_pending) {
        if (waiting.notice == notice)
            return true;
    }
    return false;
}

QList<NotificationManager::Notice> NotificationManager::pendingNotices() const
{
    QList<Notice> notices;
    for (const Waiting &waiting : m_pending)
        notices.append(waiting.notice);
    return notices;
}

void NotificationManager::show(NotificationForm *form)
{
    form->place(m_shown.size());
    form->show();
    m_shown.append(form);
    refreshAttention();
}

void NotificationManager::showFirstPending()
{
    const Waiting waiting = m_pending.takeFirst();
    show(waiting.form ? waiting.form : createForm(waiting.notice));
}

void NotificationManager::setMainForm(QWidget *mainForm)
{
    if (m_mainForm)
        m_mainForm->removeEventFilter(this);
    m_mainForm = mainForm;
    if (m_mainForm)
        m_mainForm->installEventFilter(this);
}

bool NotificationManager::eventFilter(QObject *watched, QEvent *event)
{
    // The stack stands on the main window while it shows and on the bottom
    // of the screen while it is hidden: every popup moves with it, those
    // that never repaint too.
    if (watched == m_mainForm && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        for (int i = 0; i < m_shown.size(); ++i)
            m_shown[i]->place(i);
    }
    return QObject::eventFilter(watched, event);
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
        showFirstPending();
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
        m_pending.append({{form->text(), form->type(), form->taskId()}, form});
        m_shown.removeOne(form);
    }
}

void NotificationManager::showPendingForms()
{
    while (!m_pending.isEmpty())
        showFirstPending();
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
    emit attentionChanged();
}

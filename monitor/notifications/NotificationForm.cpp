#include "notifications/NotificationForm.h"

#include "client/UpdateInfo.h"
#include "client/Velmora.h"
#include "common/ProgramFiles.h"
#include "dialogs/AutoScrollLineEdit.h"
#include "model/NotificationType.h"
#include "ui_NotificationForm.h"

#include <QDebug>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>

namespace {

// Types that stay on screen until the user clicks them: one bit per type.
constexpr int PersistentTypes = 0x76A;

bool isTaskType(int type)
{
    return type == TaskAdded || type == CommentAdded || type == TaskBlocked || type == TaskUnblocked ||
           type == BlockingTaskAdded;
}

QPixmap backgroundPicture()
{
    // Every popup paints the same picture; it is decoded once.
    const QString path = QStringLiteral(":/images/bg_notifications_withLogo.png");
    QPixmap picture;
    if (!QPixmapCache::find(path, &picture)) {
        picture.load(path);
        QPixmapCache::insert(path, picture);
    }
    return picture;
}

} // namespace

NotificationForm::NotificationForm(const QString &text, int type, const QString &taskId, QWidget *mainForm,
                                   QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::NotificationForm>())
    , m_type(type)
    , m_mainForm(mainForm)
    , m_taskId(taskId)
    , m_text(text)
{
    m_ui->setupUi(this);
    // The application style sheet styles every button of this name.
    m_ui->pbUpdate->setObjectName(QStringLiteral("pbVelmora"));
    m_ui->pbLate->setObjectName(QStringLiteral("pbVelmora"));
    // Not modal: a modal popup would block the main window (its notice
    // button included) and every older popup until the newest is clicked.

    m_leMessage = new AutoScrollLineEdit(this);
    m_leMessage->setObjectName(QStringLiteral("leMessage"));
    m_leMessage->setGeometry(10, 20, 161, 70);
    m_leMessage->setText(messageText(text, type));
    m_leMessage->setAlignment(Qt::AlignCenter);
    // The header band of the background picture reaches 3 pixels into the
    // box: no line of text may stand or scroll under it.
    m_leMessage->setClearance(3);

    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::WindowFlags(int(windowFlags()) & 0x3) | Qt::Tool | Qt::FramelessWindowHint |
                   Qt::WindowStaysOnTopHint);

    m_autoCloseTimer.setObjectName(QStringLiteral("autoCloseTimer"));
    m_autoCloseTimer.setParent(this);
    m_autoCloseTimer.setInterval(5000);
    connect(&m_autoCloseTimer, &QTimer::timeout, this, &NotificationForm::onPbLateClicked);

    if (type == UpdateAvailable) {
        m_leMessage->setGeometry(10, 20, 161, 40);
        connect(m_ui->pbLate, &QPushButton::clicked, this, &NotificationForm::onPbLateClicked);
        connect(m_ui->pbUpdate, &QPushButton::clicked, this, &NotificationForm::onPbUpdateClicked);
    } else {
        m_ui->pbUpdate->hide();
        m_ui->pbLate->hide();
        installEventFilter(this);
    }
}

NotificationForm::~NotificationForm() = default;

bool NotificationForm::closesByItself(int type)
{
    return type < 0 || type > 10 || !(PersistentTypes & (1 << type));
}

QPoint NotificationForm::slotPosition(int index, const QWidget *mainForm, const QRect &area)
{
    const int offset = mainForm && mainForm->isVisible() ? mainForm->height() : 0;
    const QSize size = popupSize();
    return QPoint(area.right() - size.width(), area.bottom() - offset - (index + 1) * size.height());
}

void NotificationForm::place(int index)
{
    m_index = index;
    move(slotPosition(index, m_mainForm, screen()->availableGeometry()));
}

void NotificationForm::closeAnimated()
{
    if (m_closing)
        return;
    m_closing = true;
    auto *effect = new QGraphicsOpacityEffect(this);
    effect->setOpacity(1.0);
    setGraphicsEffect(effect);
    auto *fade = new QPropertyAnimation(effect, "opacity", this);
    fade->setDuration(300);
    fade->setStartValue(effect->opacity());
    fade->setEndValue(0.0);
    fade->setEasingCurve(QEasingCurve::OutQuad);
    connect(fade, &QPropertyAnimation::finished, this, &NotificationForm::notificationClosed);
    fade->start();
}

bool NotificationForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this && event->type() == QEvent::MouseButtonPress) {
        const auto *press = static_cast<QMouseEvent *>(event);
        if (isTaskType(m_type) && press->button() == Qt::LeftButton && !m_taskId.isEmpty())
            Velmora::openTaskPage(m_taskId);
        closeAnimated();
    }
    return QDialog::eventFilter(watched, event);
}

void NotificationForm::onPbLateClicked()
{
    closeAnimated();
}

void NotificationForm::onPbUpdateClicked()
{
    const QVariantList entries = UpdateInfo::instance()->updateInfo();
    if (entries.isEmpty()) {
        qDebug() << "Error! There is no update info" << entries;
        return;
    }
    if (entries.size() == 1)
        Velmora::openUrl(Velmora::serviceUrl() + QStringLiteral("/monitor/"));
    else
        Velmora::runWinAppAsAdmin(ProgramFiles::updaterFileName(), QString());
    closeAnimated();
}

void NotificationForm::paintEvent(QPaintEvent *)
{
    place(m_index);
    QPainter painter(this);
    const QPixmap picture = backgroundPicture();
    painter.drawPixmap(QRect(0, 0, 179, 107), picture, picture.rect());
}

void NotificationForm::showEvent(QShowEvent *event)
{
    if (closesByItself(m_type))
        m_autoCloseTimer.start();
    QDialog::showEvent(event);
}

void NotificationForm::hideEvent(QHideEvent *event)
{
    if (closesByItself(m_type))
        m_autoCloseTimer.stop();
    QDialog::hideEvent(event);
}

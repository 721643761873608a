#include "dialogs/AbstractVelmoraForm.h"

#include <QFont>
#include <QMouseEvent>
#include <QPainter>

AbstractVelmoraForm::AbstractVelmoraForm(QWidget *parent)
    : QDialog(parent)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("AbstractVelmoraForm"));
    resize(400, 300);
    setWindowTitle(tr("Dialog"));
    QMetaObject::connectSlotsByName(this);

    setAttribute(Qt::WA_TranslucentBackground);
    // Only the window-type bits are kept; every other hint is replaced.
    setWindowFlags(Qt::WindowFlags(int(windowFlags()) & 0x3) | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    installEventFilter(this);
    setAttribute(Qt::WA_ShowModal);
    background.load(QStringLiteral(":/images/main.png"));
}

QFont useFixedFont(QWidget *window, int pixelSize)
{
    QFont font = window->font();
    font.setPixelSize(pixelSize);
    window->setFont(font);
    return font;
}

void dragWindow(QWidget *window, QEvent *event, QPoint &dragPosition)
{
    if (event->type() == QEvent::MouseButtonPress) {
        dragPosition = static_cast<QMouseEvent *>(event)->globalPos();
        event->accept();
    } else if (event->type() == QEvent::MouseMove) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->buttons() & Qt::LeftButton) {
            window->move(window->pos() + mouse->globalPos() - dragPosition);
            dragPosition = mouse->globalPos();
            event->accept();
        }
    }
}

bool AbstractVelmoraForm::eventFilter(QObject *watched, QEvent *event)
{
    if (dragEnabled && watched == this)
        dragWindow(this, event, dragPosition);
    return QDialog::eventFilter(watched, event);
}

void AbstractVelmoraForm::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(painter.viewport(), background, background.rect());
}

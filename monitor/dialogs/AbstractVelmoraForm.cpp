#include "dialogs/AbstractVelmoraForm.h"

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

bool AbstractVelmoraForm::eventFilter(QObject *watched, QEvent *event)
{
    if (dragEnabled && watched == this) {
        if (event->type() == QEvent::MouseMove) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->buttons() & Qt::LeftButton) {
                const QPoint global = mouse->screenPos().toPoint();
                move(pos() + global - dragPosition);
                dragPosition = global;
                event->accept();
            }
        } else if (event->type() == QEvent::MouseButtonPress) {
            dragPosition = static_cast<QMouseEvent *>(event)->screenPos().toPoint();
            event->accept();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AbstractVelmoraForm::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(painter.viewport(), background, background.rect());
}

#include "common/WindowDrag.h"

#include <QMouseEvent>
#include <QWidget>

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

#include "capture/ScreenCapture.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

QImage grabDesktop()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QImage();
    // The desktop's own window (id 0) covers every screen of the virtual
    // desktop, so one grab of the bounding rectangle takes them all. Qt
    // reads the rectangle relative to the grabbing screen, so a screen left
    // of or above the primary one lies at negative coordinates.
    const QRect desktop = screen->virtualGeometry().translated(-screen->geometry().topLeft());
    return screen->grabWindow(0, desktop.x(), desktop.y(), desktop.width(), desktop.height()).toImage();
}

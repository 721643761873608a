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
    // desktop, so one grab of the bounding rectangle takes them all.
    const QRect desktop = screen->virtualGeometry();
    return screen->grabWindow(0, desktop.x(), desktop.y(), desktop.width(), desktop.height()).toImage();
}

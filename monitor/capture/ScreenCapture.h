#pragma once

#include <QImage>

/// One picture of the whole virtual desktop: every screen in its real
/// arrangement, the bounding rectangle of all of them, no scaling. A null
/// image when the platform cannot grab the screens.
QImage grabDesktop();

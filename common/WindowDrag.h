#pragma once

#include <QPoint>

class QEvent;
class QWidget;

/// Moves \a window by the mouse's travel while the left button is held:
/// a press remembers the global position in \a dragPosition, each move with
/// the button down moves the window along. Other events pass untouched.
/// Both programs' frameless windows are dragged this way.
void dragWindow(QWidget *window, QEvent *event, QPoint &dragPosition);

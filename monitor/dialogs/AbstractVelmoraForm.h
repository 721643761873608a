#pragma once

#include "common/WindowDrag.h"

#include <QDialog>
#include <QImage>
#include <QPoint>

class QEvent;
class QFont;

/// Gives \a window the application's font at \a pixelSize pixels and
/// returns it. The windows' geometry is fixed to the pixel, and so is their
/// text; widgets made afterwards take the font over, so call it before the
/// form is set up.
QFont useFixedFont(QWidget *window, int pixelSize);

/// The base of the frameless dialogs: frameless, translucent, modal and on
/// top, with a background picture stretched over the whole window. Dragging
/// the dialog's own background (not its child widgets) moves the window.
class AbstractVelmoraForm : public QDialog
{
    Q_OBJECT

public:
    explicit AbstractVelmoraForm(QWidget *parent = nullptr);

    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    void paintEvent(QPaintEvent *event) override;

    /// Paints the picture \a path over the window. Each picture is decoded
    /// once and shared by every window that shows it (a description window
    /// per opened task would otherwise hold its own copy).
    void loadBackground(const QString &path);

    /// The picture painted over the window; ":/images/main.png" unless a
    /// derived dialog loads another.
    QImage background;
    /// While true, dragging the background moves the window.
    bool dragEnabled = true;

private:
    QPoint dragPosition;
};

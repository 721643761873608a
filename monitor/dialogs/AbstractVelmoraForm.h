#pragma once

#include <QDialog>
#include <QImage>
#include <QPoint>

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

    /// The picture painted over the window; ":/images/main.png" unless a
    /// derived dialog loads another.
    QImage background;
    /// While true, dragging the background moves the window.
    bool dragEnabled = true;

private:
    QPoint dragPosition;
};

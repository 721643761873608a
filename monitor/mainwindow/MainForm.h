#pragma once

#include <QDialog>

class Velmora;

/// The main window: controller of recording and the strip at the bottom
/// right of the screen with its tray icon and menu.
///
/// This is its least form: the window and the exit action that ends the
/// program. Recording, the strip's widgets, the tray icon and the menu come
/// with the recording work.
class MainForm : public QDialog
{
    Q_OBJECT

public:
    explicit MainForm(Velmora *velmora, QWidget *parent = nullptr);

private slots:
    void on_actionExit_triggered();

private:
    Velmora *m_velmora;

    Q_DISABLE_COPY(MainForm)
};

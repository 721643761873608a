#pragma once

#include <QDialog>
#include <QImage>
#include <QPoint>

#include <memory>

class Velmora;

namespace Ui {
class LoginForm;
}

/// The sign-in dialog: e-mail and password of the user's account on the
/// service, handed to the server client. Accepted once the client reports
/// the user signed in; a failed sign-in shows why and lets the user retry.
///
/// Frameless and always on top, drawn from two pictures: the title strip
/// (the only drag handle, with the close button) and the sign-in pane.
class LoginForm : public QDialog
{
    Q_OBJECT

public:
    explicit LoginForm(Velmora *velmora, QWidget *parent = nullptr);
    ~LoginForm() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void errorOccured(int error);
    void on_pbClose_clicked();
    void on_pbEnter_clicked();

private:
    std::unique_ptr<Ui::LoginForm> m_ui;
    QImage m_topPicture;
    QImage m_panePicture;
    QPoint m_dragPosition;
    Velmora *m_velmora;

    Q_DISABLE_COPY(LoginForm)
};

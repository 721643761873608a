#pragma once

#include <QDialog>
#include <QImage>
#include <QPoint>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class Velmora;

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

    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void errorOccured(int error);
    void on_pbClose_clicked();
    void on_pbEnter_clicked();

private:
    void setupUi();

    QImage m_topPicture;
    QImage m_panePicture;
    QPoint m_dragPosition;
    Velmora *m_velmora;

    QWidget *m_wTop = nullptr;
    QWidget *m_wLoginPane = nullptr;
    QLabel *m_lbInfo = nullptr;
    QLineEdit *m_lbEmail = nullptr;
    QLineEdit *m_lbPassword = nullptr;
    QPushButton *m_pbEnter = nullptr;
    QPushButton *m_pbClose = nullptr;

    Q_DISABLE_COPY(LoginForm)
};

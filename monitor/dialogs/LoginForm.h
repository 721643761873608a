#pragma once

#include <QDialog>

class Velmora;

/// The sign-in dialog: e-mail and password of the user's account on the
/// service. Accepted once the user is signed in.
///
/// This is its least form: the window and its fields. Signing in through the
/// server client, the local checks and the error messages come with the
/// sign-in work; until then the dialog can only be closed.
class LoginForm : public QDialog
{
    Q_OBJECT

public:
    explicit LoginForm(Velmora *velmora, QWidget *parent = nullptr);

private:
    Velmora *m_velmora;

    Q_DISABLE_COPY(LoginForm)
};

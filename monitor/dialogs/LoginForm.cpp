#include "dialogs/LoginForm.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

LoginForm::LoginForm(Velmora *velmora, QWidget *parent)
    : QDialog(parent)
    , m_velmora(velmora)
{
    setObjectName(QStringLiteral("LoginForm"));
    setWindowTitle(QStringLiteral("Авторизация"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/trayActive.png")));
    resize(369, 186);

    auto *email = new QLineEdit(this);
    email->setObjectName(QStringLiteral("lbEmail"));
    auto *password = new QLineEdit(this);
    password->setObjectName(QStringLiteral("lbPassword"));
    password->setEchoMode(QLineEdit::Password);

    auto *enter = new QPushButton(QStringLiteral("Войти"), this);
    enter->setObjectName(QStringLiteral("pbVelmora"));
    enter->setEnabled(false);
    auto *close = new QPushButton(QStringLiteral("Закрыть"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("E-mail:"), email);
    fields->addRow(QStringLiteral("Пароль:"), password);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(enter);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
}

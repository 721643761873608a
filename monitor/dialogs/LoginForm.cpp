#include "dialogs/LoginForm.h"

#include "client/Velmora.h"
#include "dialogs/AbstractVelmoraForm.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpacerItem>
#include <QVBoxLayout>

LoginForm::LoginForm(Velmora *velmora, QWidget *parent)
    : QDialog(parent)
    , m_velmora(velmora)
{
    setupUi();
    // The application style sheet styles the service's accent button by this
    // name; the slot was bound by the old one.
    m_pbEnter->setObjectName(QStringLiteral("pbVelmora"));
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::WindowFlags(int(windowFlags()) & 0x3) | Qt::WindowFlags(0x40809));
    m_wTop->installEventFilter(this);
    m_wLoginPane->installEventFilter(this);
    m_topPicture.load(QStringLiteral(":/images/wlogin-top.png"));
    m_panePicture.load(QStringLiteral(":/images/login.png"));

    auto *escape = new QShortcut(QKeySequence(QStringLiteral("Esc")), this, nullptr, nullptr, Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &LoginForm::on_pbClose_clicked);

    const QRect area = screen()->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
    activateWindow();

    m_lbEmail->setText(m_velmora->session()->login());
    m_lbPassword->setText(m_velmora->session()->password());
    connect(m_velmora, &Velmora::error, this, &LoginForm::errorOccured);
    connect(m_velmora, &Velmora::loginOk, this, &QDialog::accept);
    m_lbEmail->setFocus();
}

void LoginForm::setupUi()
{
    setObjectName(QStringLiteral("LoginForm"));
    resize(369, 186);
    setWindowTitle(QStringLiteral("Авторизация"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/trayActive.png")));
    setWindowOpacity(1);
    setSizeGripEnabled(false);
    setModal(false);

    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(0);
    verticalLayout->setSizeConstraint(QLayout::SetNoConstraint);
    verticalLayout->setContentsMargins(0, 0, 0, 0);

    m_wTop = new QWidget(this);
    m_wTop->setObjectName(QStringLiteral("wTop"));
    m_wTop->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    m_wTop->setMaximumHeight(30);
    m_wTop->setMouseTracking(true);
    auto *horizontalLayout = new QHBoxLayout(m_wTop);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setSpacing(0);
    horizontalLayout->setContentsMargins(40, 0, 10, 0);
    auto *title = new QLabel(QStringLiteral("Авторизация"), m_wTop);
    title->setObjectName(QStringLiteral("lAutorization"));
    title->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    title->setLineWidth(0);
    horizontalLayout->addWidget(title);
    horizontalLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_pbClose = new QPushButton(m_wTop);
    m_pbClose->setObjectName(QStringLiteral("pbClose"));
    m_pbClose->setMouseTracking(true);
    m_pbClose->setFocusPolicy(Qt::NoFocus);
    horizontalLayout->addWidget(m_pbClose);
    verticalLayout->addWidget(m_wTop);

    m_wLoginPane = new QWidget(this);
    m_wLoginPane->setObjectName(QStringLiteral("wLoginPane"));
    auto *gridLayout = new QGridLayout(m_wLoginPane);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    m_lbInfo = new QLabel(m_wLoginPane);
    m_lbInfo->setObjectName(QStringLiteral("lbInfo"));
    gridLayout->addWidget(m_lbInfo, 0, 1);
    auto *emailLabel = new QLabel(QStringLiteral("E-mail:"), m_wLoginPane);
    emailLabel->setObjectName(QStringLiteral("label_2"));
    gridLayout->addWidget(emailLabel, 1, 0);
    m_lbEmail = new QLineEdit(m_wLoginPane);
    m_lbEmail->setObjectName(QStringLiteral("lbEmail"));
    m_lbEmail->setInputMask(QString());
    gridLayout->addWidget(m_lbEmail, 1, 1);
    auto *passwordLabel = new QLabel(QStringLiteral("Пароль:"), m_wLoginPane);
    passwordLabel->setObjectName(QStringLiteral("label"));
    gridLayout->addWidget(passwordLabel, 3, 0);
    m_lbPassword = new QLineEdit(m_wLoginPane);
    m_lbPassword->setObjectName(QStringLiteral("lbPassword"));
    m_lbPassword->setEchoMode(QLineEdit::Password);
    gridLayout->addWidget(m_lbPassword, 3, 1);
    m_pbEnter = new QPushButton(QStringLiteral("Вход"), m_wLoginPane);
    m_pbEnter->setObjectName(QStringLiteral("pbEnter"));
    m_pbEnter->setDefault(true);
    m_pbEnter->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::MinimumExpanding);
    gridLayout->addWidget(m_pbEnter, 4, 1);
    gridLayout->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding), 5, 1);
    verticalLayout->addWidget(m_wLoginPane);

    setTabOrder(m_lbEmail, m_lbPassword);
    setTabOrder(m_lbPassword, m_pbEnter);
    setTabOrder(m_pbEnter, m_pbClose);
    QMetaObject::connectSlotsByName(this);
}

bool LoginForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && (watched == m_wTop || watched == m_wLoginPane)) {
        auto *pane = static_cast<QWidget *>(watched);
        const QImage &picture = watched == m_wTop ? m_topPicture : m_panePicture;
        QPainter painter(pane);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawImage(pane->rect(), picture, picture.rect());
        painter.restore();
        event->accept();
        return true;
    }
    if (watched == m_wTop)
        dragWindow(this, event, m_dragPosition); // the title strip is the drag handle
    return QDialog::eventFilter(watched, event);
}

void LoginForm::errorOccured(int error)
{
    switch (error) {
    case Velmora::InvalidLogin:
        m_lbInfo->setText(QStringLiteral("Неверный логин или пароль"));
        break;
    case Velmora::HostNotFound:
    case Velmora::SiteUnavailable:
    case Velmora::NetworkFailed:
        m_lbInfo->setText(QStringLiteral("Не удалось соединиться с сервером."));
        break;
    case Velmora::DatabaseUnavailable:
        m_lbInfo->setText(QStringLiteral("Ошибка соединения с базой данных."));
        break;
    default:
        break;
    }
    m_pbEnter->setEnabled(true);
}

void LoginForm::on_pbClose_clicked()
{
    reject();
}

void LoginForm::on_pbEnter_clicked()
{
    m_lbInfo->clear();
    if (m_lbEmail->text().isEmpty()) {
        m_lbInfo->setText(QStringLiteral("Введите e-mail"));
        m_lbEmail->setFocus();
        return;
    }
    if (m_lbPassword->text().isEmpty()) {
        m_lbInfo->setText(QStringLiteral("Введите пароль"));
        m_lbPassword->setFocus();
        return;
    }
    m_pbEnter->setEnabled(false);
    m_velmora->login(m_lbEmail->text(), m_lbPassword->text());
}

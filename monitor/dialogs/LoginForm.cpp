#include "dialogs/LoginForm.h"

#include "client/Velmora.h"
#include "dialogs/AbstractVelmoraForm.h"
#include "ui_LoginForm.h"

#include <QEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>

LoginForm::LoginForm(Velmora *velmora, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::LoginForm>())
    , m_velmora(velmora)
{
    m_ui->setupUi(this);
    // The application style sheet styles the service's accent button by this
    // name; the slot was bound by the old one.
    m_ui->pbEnter->setObjectName(QStringLiteral("pbVelmora"));
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::WindowFlags(int(windowFlags()) & 0x3) | Qt::WindowFlags(0x40809));
    m_ui->wTop->installEventFilter(this);
    m_ui->wLoginPane->installEventFilter(this);
    m_topPicture.load(QStringLiteral(":/images/wlogin-top.png"));
    m_panePicture.load(QStringLiteral(":/images/login.png"));

    auto *escape = new QShortcut(QKeySequence(QStringLiteral("Esc")), this, nullptr, nullptr, Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &LoginForm::on_pbClose_clicked);

    const QRect area = screen()->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
    activateWindow();

    m_ui->lbEmail->setText(m_velmora->session()->login());
    m_ui->lbPassword->setText(m_velmora->session()->password());
    connect(m_velmora, &Velmora::error, this, &LoginForm::errorOccured);
    connect(m_velmora, &Velmora::loginOk, this, &QDialog::accept);
    m_ui->lbEmail->setFocus();
}

LoginForm::~LoginForm() = default;

bool LoginForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && (watched == m_ui->wTop || watched == m_ui->wLoginPane)) {
        auto *pane = static_cast<QWidget *>(watched);
        const QImage &picture = watched == m_ui->wTop ? m_topPicture : m_panePicture;
        QPainter painter(pane);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawImage(pane->rect(), picture, picture.rect());
        painter.restore();
        event->accept();
        return true;
    }
    if (watched == m_ui->wTop)
        dragWindow(this, event, m_dragPosition); // the title strip is the drag handle
    return QDialog::eventFilter(watched, event);
}

void LoginForm::errorOccured(int error)
{
    switch (error) {
    case Velmora::InvalidLogin:
        m_ui->lbInfo->setText(QStringLiteral("Неверный логин или пароль"));
        break;
    case Velmora::HostNotFound:
    case Velmora::SiteUnavailable:
    case Velmora::NetworkFailed:
        m_ui->lbInfo->setText(QStringLiteral("Не удалось соединиться с сервером."));
        break;
    case Velmora::DatabaseUnavailable:
        m_ui->lbInfo->setText(QStringLiteral("Ошибка соединения с базой данных."));
        break;
    default:
        break;
    }
    m_ui->pbEnter->setEnabled(true);
}

void LoginForm::on_pbClose_clicked()
{
    reject();
}

void LoginForm::on_pbEnter_clicked()
{
    m_ui->lbInfo->clear();
    if (m_ui->lbEmail->text().isEmpty()) {
        m_ui->lbInfo->setText(QStringLiteral("Введите e-mail"));
        m_ui->lbEmail->setFocus();
        return;
    }
    if (m_ui->lbPassword->text().isEmpty()) {
        m_ui->lbInfo->setText(QStringLiteral("Введите пароль"));
        m_ui->lbPassword->setFocus();
        return;
    }
    m_ui->pbEnter->setEnabled(false);
    m_velmora->login(m_ui->lbEmail->text(), m_ui->lbPassword->text());
}

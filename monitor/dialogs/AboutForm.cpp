#include "dialogs/AboutForm.h"

#include "client/UpdateInfo.h"
#include "client/Velmora.h"
#include "common/BuildInfo.h"
#include "dialogs/AbstractVelmoraForm.h"
#include "ui_AboutForm.h"

#include <QCoreApplication>

AboutForm::AboutForm(Velmora *velmora, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::AboutForm>())
    , m_velmora(velmora)
{
    useFixedFont(this, 11);
    m_ui->setupUi(this);
    m_ui->lbVersion->setText(QStringLiteral("Версия: ") + QCoreApplication::applicationVersion());
    m_ui->lbBuildDate->setText(QStringLiteral("Дата сборки: ") + BuildInfo::date() + QStringLiteral(", ") +
                               BuildInfo::time());
    const QString url = Velmora::serviceUrl().toHtmlEscaped();
    m_ui->lbUrl->setText(QStringLiteral("<a href=\"") + url +
                         QStringLiteral("\"><span style=\"font-size:13px; text-decoration: underline; "
                                        "color:#0000ff;\">") +
                         url + QStringLiteral("</span></a>"));
    connect(m_velmora, &Velmora::updateAvailable, this, &AboutForm::updateAvailable);
}

AboutForm::~AboutForm() = default;

void AboutForm::checkForUpdates()
{
    m_ui->lbUpdateInfo->setText(QStringLiteral("Проверка обновления..."));
    m_velmora->requestVersion();
}

void AboutForm::updateAvailable(bool isAvailable)
{
    m_ui->lbUpdateInfo->setText(isAvailable ? QStringLiteral("Доступно обновление ") + UpdateInfo::instance()->version()
                                            : QStringLiteral("Установлена последняя версия"));
}

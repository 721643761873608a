#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AboutForm;
}
class Velmora;

/// The product's logo, name, version and build date, the service's web
/// address, and whether a newer version exists. Every answer to a version
/// check updates that line, also while the dialog is hidden.
class AboutForm : public QDialog
{
    Q_OBJECT

public:
    explicit AboutForm(Velmora *velmora, QWidget *parent = nullptr);
    ~AboutForm() override;

    /// Shows "Проверка обновления..." and asks the service for its version
    /// file; the answer arrives through updateAvailable().
    void checkForUpdates();

public slots:
    void updateAvailable(bool isAvailable);

private:
    std::unique_ptr<Ui::AboutForm> m_ui;
    Velmora *m_velmora;

    Q_DISABLE_COPY(AboutForm)
};

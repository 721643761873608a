#include "DownloadWindow.h"

#include "InstallManager.h"
#include "UpdaterStore.h"
#include "ui_DownloadWindow.h"

#include "common/ProgramFiles.h"
#include "common/TlsTrust.h"
#include "common/UpdateSettings.h"
#include "common/WindowDrag.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QAbstractButton>
#include <QMessageBox>
#include <QNetworkReply>
#include <QPainter>
#include <QScreen>

namespace {

constexpr int TransferTimeout = 60000;
/// How much of a reply may wait in memory before it is written out.
constexpr qint64 ReadBuffer = 1 << 20;

/// Runs a message box whose buttons speak Russian, as the rest of the
/// window does; the answer.
int ask(QMessageBox::Icon icon, const QString &title, const QString &text, QMessageBox::StandardButtons buttons,
        QWidget *parent)
{
    QMessageBox box(icon, title, text, buttons, parent);
    const struct
    {
        QMessageBox::StandardButton button;
        const char *text;
    } names[] = {{QMessageBox::Yes, "Да"},
                 {QMessageBox::No, "Нет"},
                 {QMessageBox::Ok, "ОК"},
                 {QMessageBox::Retry, "Повторить"},
                 {QMessageBox::Cancel, "Отмена"}};
    for (const auto &name : names) {
        if (QAbstractButton *button = box.button(name.button))
            button->setText(QString::fromUtf8(name.text));
    }
    return box.exec();
}

} // namespace

DownloadWindow::DownloadWindow(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::DownloadWindow>())
{
    m_ui->setupUi(this);
    m_network.setParent(this);
    m_ui->pbCancel->setObjectName(QStringLiteral("pbVelmora"));
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags((windowFlags() & Qt::WindowType_Mask) | Qt::Tool | Qt::FramelessWindowHint |
                   Qt::WindowStaysOnTopHint);
    m_ui->wBackground->installEventFilter(this);
    m_background.load(QStringLiteral(":/images/main.png"));
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    m_ui->progressBar->setValue(0);
    m_ui->progressBar->setMaximum(100);
    connect(m_ui->pbCancel, &QPushButton::clicked, this, &DownloadWindow::pbCancel_clicked);
    const QVariantList updateList = UpdaterStore::instance().updateList();
    if (!updateList.isEmpty())
        m_ui->lbTitle->setText(QStringLiteral("Обновление программы до версии ") +
                               updateList.first().toMap().value(QStringLiteral("version")).toString());
    connect(&m_network, &QNetworkAccessManager::finished, this, &DownloadWindow::replyFinished);
}

DownloadWindow::~DownloadWindow() = default;

bool DownloadWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_ui->wBackground)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::Paint) {
        QPainter painter(m_ui->wBackground);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawImage(painter.viewport(), m_background, m_background.rect());
        return true;
    }
    dragWindow(this, event, m_dragPosition);
    return QDialog::eventFilter(watched, event);
}

void DownloadWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_currentIndex != -1)
        return;
    m_currentIndex = 0;
    // Message boxes and downloads start once the window is up.
    QMetaObject::invokeMethod(this, &DownloadWindow::begin, Qt::QueuedConnection);
}

void DownloadWindow::begin()
{
    const QVariantList updateList = UpdaterStore::instance().updateList();
    if (updateList.size() <= 1) {
        ask(QMessageBox::Information, QStringLiteral("Нет информации для обновления"),
            QStringLiteral("Нет информации для обновления"), QMessageBox::Ok, this);
        done(0);
        return;
    }
    const UpdateFiles files(updateList);
    if (!files.error().isEmpty()) {
        qWarning().noquote() << "Update refused: " + files.error();
        ask(QMessageBox::Warning, QStringLiteral("Обновление невозможно"), files.error(), QMessageBox::Ok, this);
        done(0);
        return;
    }
    // Nothing of an earlier, broken-off download may be installed
    // with this version.
    const QDir updateDir(UpdaterStore::instance().dataFolder().filePath(UpdateSettings::folderName()));
    for (const QString &stale : updateDir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(updateDir.filePath(stale));
    m_files = files.files();
    m_fileCount = m_files.size();
    m_currentIndex = 1;
    downloadNext();
}

QString DownloadWindow::updatePath(const QString &name) const
{
    return UpdaterStore::instance().dataFolder().filePath(UpdateSettings::folderName() + QLatin1Char('/') + name);
}

QString DownloadWindow::shownName(const QString &name) const
{
    // A file name is the service's text and may have no blank to wrap at:
    // shortened in the middle, it stays within one line of the status.
    return m_ui->lbStatus->fontMetrics().elidedText(name, Qt::ElideMiddle, 180);
}

void DownloadWindow::downloadNext()
{
    if (m_currentIndex > m_fileCount) {
        allDownloaded();
        return;
    }
    const UpdateFile &file = m_files.at(m_currentIndex - 1);
    m_ui->lbStatus->setText(QStringLiteral("Загрузка ") + shownName(file.name) + QStringLiteral(" (") +
                            QString::number(m_currentIndex) + QLatin1Char('/') + QString::number(m_fileCount) +
                            QLatin1Char(')'));
    m_ui->lbStatus->setToolTip(file.name);
    m_partial.setFileName(updatePath(file.name + UpdateFiles::partialSuffix()));
    if (!m_partial.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        downloadFailed(file.name, QStringLiteral("нельзя записать файл в папку обновления"));
        return;
    }
    m_hash.reset(file.sha256.isEmpty() ? nullptr : new QCryptographicHash(QCryptographicHash::Sha256));
    m_received = 0;

    QNetworkRequest request(file.url);
    request.setSslConfiguration(TlsTrust::configuration());
    request.setTransferTimeout(TransferTimeout);
    m_reply = m_network.get(request);
    m_reply->setReadBufferSize(ReadBuffer);
    m_reply->setProperty("name", file.name);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &DownloadWindow::updateProgressbar);
    connect(m_reply, &QNetworkReply::readyRead, this, &DownloadWindow::writeArrived);
}

void DownloadWindow::writeArrived()
{
    if (!m_reply)
        return;
    const QByteArray arrived = m_reply->readAll();
    if (arrived.isEmpty())
        return;
    m_received += arrived.size();
    if (m_hash)
        m_hash->addData(arrived);
    if (m_partial.isOpen() && m_partial.write(arrived) != arrived.size()) {
        qWarning().noquote() << "Can't write " + m_partial.fileName() + ": " + m_partial.errorString();
        m_partial.close();
        m_reply->abort();
    }
}

QString DownloadWindow::failure(QNetworkReply *reply) const
{
    if (!m_partial.isOpen() || m_partial.error() != QFileDevice::NoError)
        return QStringLiteral("не удалось записать файл на диск");
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() != 200)
        return QStringLiteral("сервер ответил ") + QString::number(status.toInt());
    if (reply->error() != QNetworkReply::NoError)
        return reply->errorString();
    if (!status.isValid())
        return QStringLiteral("сервер не ответил");
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() != m_received)
        return QStringLiteral("файл пришёл не целиком");
    if (m_hash && m_hash->result() != m_files.at(m_currentIndex - 1).sha256)
        return QStringLiteral("контрольная сумма не совпала");
    return QString();
}

void DownloadWindow::replyFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply != m_reply)
        return; // one given up on
    writeArrived();
    const QString name = reply->property("name").toString();
    QString reason = failure(reply);
    m_partial.close();
    m_reply = nullptr;
    if (reason.isEmpty()) {
        QFile::remove(updatePath(name));
        if (!QFile::rename(m_partial.fileName(), updatePath(name)))
            reason = QStringLiteral("не удалось записать файл на диск");
    }
    if (!reason.isEmpty()) {
        downloadFailed(name, reason);
        return;
    }
    ++m_doneCount;
    ++m_currentIndex;
    updateProgressbar(0, -1);
    downloadNext();
}

void DownloadWindow::downloadFailed(const QString &name, const QString &reason)
{
    // Nothing incomplete keeps a name the install manager would copy.
    m_partial.close();
    QFile::remove(m_partial.fileName());
    qWarning().noquote() << "Download failed: " + name + ": " + reason;
    m_ui->lbStatus->setText(QStringLiteral("Ошибка загрузки ") + shownName(name));
    m_ui->lbStatus->setToolTip(name);
    if (ask(QMessageBox::Warning, QStringLiteral("Ошибка загрузки"),
            QStringLiteral("Не удалось загрузить ") + name + QStringLiteral(": ") + reason +
                QStringLiteral(".\nПовторить загрузку?"),
            QMessageBox::Retry | QMessageBox::Cancel, this) == QMessageBox::Retry)
        downloadNext();
    else
        pbCancel_clicked();
}

void DownloadWindow::updateProgressbar(qint64 receivedBytes, qint64 totalBytes)
{
    if (m_fileCount <= 0)
        return;
    int percent = m_doneCount * 100 / m_fileCount;
    // A file of unknown size fills its share when it is complete.
    if (totalBytes > 0)
        percent += int(float(receivedBytes) / float(totalBytes) / float(m_fileCount) * 100.0f);
    percent = qBound(0, percent, 100);
    m_ui->lbPercent->setText(QString::number(percent) + QStringLiteral(" %"));
    m_ui->progressBar->setValue(percent);
}

void DownloadWindow::allDownloaded()
{
    QSettings &settings = UpdaterStore::instance().settings();
    if (isProcessRunning(ProgramFiles::monitorFileName()) &&
        ask(QMessageBox::Question, QStringLiteral("Перезапустить программу?"),
            QStringLiteral("Для завершения установки необходимо перезапустить программу. "
                           "Перезапустить программу сейчас?"),
            QMessageBox::Yes | QMessageBox::No, this) != QMessageBox::Yes) {
        settings.setValue(UpdateSettings::updateAtStartupKey(), true);
        settings.sync();
        done(0);
        return;
    }
    settings.setValue(UpdateSettings::forceUpdateKey(), true);
    settings.sync();
    m_ui->lbStatus->setText(QStringLiteral("Ожидание завершения процесса Velmora Team Monitor..."));
    m_installer = std::make_unique<InstallManager>();
    connect(m_installer.get(), &InstallManager::finished, this, [this] { done(0); });
    m_installer->start();
}

void DownloadWindow::pbCancel_clicked()
{
    if (m_reply) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->abort();
    }
    if (m_partial.isOpen()) {
        m_partial.close();
        QFile::remove(m_partial.fileName());
    }
    done(0);
}

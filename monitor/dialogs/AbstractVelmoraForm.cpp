#include "dialogs/AbstractVelmoraForm.h"

#include <QFont>
#include <QHash>
#include <QPainter>

AbstractVelmoraForm::AbstractVelmoraForm(QWidget *parent)
    : QDialog(parent)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("AbstractVelmoraForm"));
    resize(400, 300);
    setWindowTitle(tr("Dialog"));
    QMetaObject::connectSlotsByName(this);

    setAttribute(Qt::WA_TranslucentBackground);
    // Only the window-type bits are kept; every other hint is replaced.
    setWindowFlags(Qt::WindowFlags(int(windowFlags()) & 0x3) | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    installEventFilter(this);
    setAttribute(Qt::WA_ShowModal);
    loadBackground(QStringLiteral(":/images/main.png"));
}

void AbstractVelmoraForm::loadBackground(const QString &path)
{
    static QHash<QString, QImage> pictures;
    auto found = pictures.find(path);
    if (found == pictures.end())
        found = pictures.insert(path, QImage(path));
    background = *found;
}

QFont useFixedFont(QWidget *window, int pixelSize)
{
    QFont font = window->font();
    font.setPixelSize(pixelSize);
    window->setFont(font);
    return font;
}

bool AbstractVelmoraForm::eventFilter(QObject *watched, QEvent *event)
{
    if (dragEnabled && watched == this)
        dragWindow(this, event, dragPosition);
    return QDialog::eventFilter(watched, event);
}

void AbstractVelmoraForm::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(painter.viewport(), background, background.rect());
}

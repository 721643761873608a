#include "dialogs/SafeTextBrowser.h"

#include <QDebug>
#include <QDesktopServices>
#include <QImage>
#include <QTextDocument>

bool isWebLink(const QUrl &url)
{
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

SafeTextBrowser::SafeTextBrowser(QWidget *parent)
    : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &SafeTextBrowser::openLink);
}

QVariant SafeTextBrowser::loadResource(int type, const QUrl &name)
{
    Q_UNUSED(name)
    // An empty answer would let the document read local files by itself:
    // every resource gets a blank stand-in instead.
    if (type == QTextDocument::ImageResource) {
        QImage blank(1, 1, QImage::Format_ARGB32_Premultiplied);
        blank.fill(Qt::transparent);
        return blank;
    }
    return QString(QLatin1Char(' '));
}

void SafeTextBrowser::openLink(const QUrl &url)
{
    if (isWebLink(url))
        QDesktopServices::openUrl(url);
    else
        qDebug().noquote() << "SafeTextBrowser link not followed:" << url.toString().left(200);
}

#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QStringList>
#include <QUrl>

/// Receives the https pages the program opens "in the browser" while it
/// exists.
class PageRecorder : public QObject
{
    Q_OBJECT

public:
    PageRecorder() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
    ~PageRecorder() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }

    QStringList pages;

public slots:
    void open(const QUrl &url) { pages << url.toString(); }
};

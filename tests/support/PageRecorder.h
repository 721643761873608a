#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QStringList>
#include <QUrl>

/// Receives the pages of \a scheme (https unless told) that the program
/// opens "in the browser" while it exists.
class PageRecorder : public QObject
{
    Q_OBJECT

public:
    explicit PageRecorder(const QString &scheme = QStringLiteral("https"))
        : m_scheme(scheme)
    {
        QDesktopServices::setUrlHandler(m_scheme, this, "open");
    }
    ~PageRecorder() override { QDesktopServices::unsetUrlHandler(m_scheme); }

    QStringList pages;

public slots:
    void open(const QUrl &url) { pages << url.toString(); }

private:
    QString m_scheme;
};

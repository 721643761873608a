#pragma once

#include <QTextBrowser>

/// Whether \a url may be opened in the desktop's browser: an absolute http
/// or https address with a host.
bool isWebLink(const QUrl &url);

/// A text browser for text that comes from the service. It shows the text
/// and nothing else: it loads no picture, style sheet or document the text
/// names (a local file could be read that way), never replaces the text by
/// following a link, and opens a clicked link in the desktop's browser only
/// when it is a web link.
class SafeTextBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    explicit SafeTextBrowser(QWidget *parent = nullptr);

    QVariant loadResource(int type, const QUrl &name) override;

private slots:
    void openLink(const QUrl &url);

private:
    Q_DISABLE_COPY(SafeTextBrowser)
};

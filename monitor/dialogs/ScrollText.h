#pragma once

#include <QImage>
#include <QSize>
#include <QStaticText>
#include <QTimer>
#include <QWidget>

/// A one-line label that, when its text is wider than itself, scrolls the
/// text from right to left endlessly, repeated after a separator, with both
/// edges faded out. The text first stands still for 64 steps (3.2 s). The
/// step timer runs only while the widget is shown and its text scrolls.
class ScrollText : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QString separator READ separator WRITE setSeparator)

public:
    /// With \a hoverHighlight the text turns black while the mouse is over it.
    explicit ScrollText(bool hoverHighlight, QWidget *parent = nullptr);

    bool eventFilter(QObject *watched, QEvent *event) override;

    /// Whether the text is too wide and scrolls.
    bool isScrolling() const { return m_scrolling; }
    /// The scroll offset in pixels (negative while the text waits).
    int offset() const { return m_offset; }
    /// Whether the step timer runs.
    bool isStepping() const { return m_stepTimer.isActive(); }
    /// The alpha mask of the faded edges.
    const QImage &fadeMask() const { return m_fadeMask; }

public slots:
    QString text() const { return m_text; }
    void setText(const QString &text);
    QString separator() const { return m_separator; }
    void setSeparator(const QString &separator);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private slots:
    virtual void timer_timeout();

private:
    void relayout();
    void setTextColour(const QColor &colour);

    QString m_text;
    QString m_separator;
    QStaticText m_staticText;
    int m_textWidth = 0;
    QSize m_cycleSize{-1, -1};
    int m_margin = 0;
    bool m_scrolling = false;
    int m_offset = 0;
    QImage m_fadeMask;
    QImage m_frameBuffer;
    QTimer m_stepTimer;
    bool m_hoverHighlight;
};

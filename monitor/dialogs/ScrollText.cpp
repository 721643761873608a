#include "dialogs/ScrollText.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QResizeEvent>

#include <cstring>

namespace {
constexpr int FadeWidth = 15;
constexpr int WaitOffset = -64;
} // namespace

ScrollText::ScrollText(bool hoverHighlight, QWidget *parent)
    : QWidget(parent)
    , m_hoverHighlight(hoverHighlight)
{
    m_staticText.setTextFormat(Qt::PlainText);
    setFixedHeight(fontMetrics().height());
    setSeparator(QStringLiteral("   ---   "));
    // A child by name, so that tests can step it.
    m_stepTimer.setParent(this);
    m_stepTimer.setObjectName(QStringLiteral("stepTimer"));
    connect(&m_stepTimer, &QTimer::timeout, this, &ScrollText::timer_timeout);
    m_stepTimer.setInterval(50);
    installEventFilter(this);
    setTextColour(QColor(QStringLiteral("#646464")));
}

void ScrollText::setText(const QString &text)
{
    m_text = text;
    relayout();
    update();
}

void ScrollText::setSeparator(const QString &separator)
{
    m_separator = separator;
    relayout();
    update();
}

void ScrollText::setTextColour(const QColor &colour)
{
    QPalette palette = this->palette();
    palette.setBrush(QPalette::All, foregroundRole(), QBrush(colour));
    setPalette(palette);
}

void ScrollText::relayout()
{
    m_stepTimer.stop();
    m_textWidth = fontMetrics().horizontalAdvance(m_text);
    m_scrolling = m_textWidth > width() - m_margin;
    if (m_scrolling) {
        m_offset = WaitOffset;
        m_staticText.setText(m_text + m_separator);
        if (isVisible())
            m_stepTimer.start();
    } else {
        m_staticText.setText(m_text);
    }
    m_staticText.prepare(QTransform(), font());
    m_cycleSize = QSize(fontMetrics().horizontalAdvance(m_staticText.text()), fontMetrics().height());
}

void ScrollText::timer_timeout()
{
    // An empty text has no cycle to run through; it never scrolls anyway.
    if (m_cycleSize.width() > 0)
        m_offset = (m_offset + 1) % m_cycleSize.width();
    update();
}

void ScrollText::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_scrolling) {
        painter.drawStaticText(QPointF(m_margin, (height() - m_cycleSize.height()) / 2), m_staticText);
        return;
    }

    m_frameBuffer.fill(qRgba(0, 0, 0, 0));
    QPainter buffer(&m_frameBuffer);
    buffer.setPen(painter.pen());
    buffer.setFont(painter.font());
    for (int x = qMin(-m_offset, 0) + m_margin; x < width(); x += m_cycleSize.width()) {
        buffer.drawStaticText(QPointF(x + 2, 0), m_staticText);
        if (m_cycleSize.width() <= 0)
            break;
    }
    buffer.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    buffer.setClipRect(width() - FadeWidth, 0, FadeWidth, height());
    buffer.drawImage(0, 0, m_fadeMask);
    buffer.setClipRect(0, 0, FadeWidth, height());
    if (m_offset < 0)
        buffer.setOpacity(m_offset <= -8 ? 0.0 : (m_offset + 8) / 8.0);
    buffer.drawImage(0, 0, m_fadeMask);
    buffer.end();
    painter.drawImage(0, 0, m_frameBuffer);
}

void ScrollText::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QSize size = event->size();
    m_fadeMask = QImage(size, QImage::Format_ARGB32_Premultiplied);
    m_frameBuffer = QImage(size, QImage::Format_ARGB32_Premultiplied);
    if (size.width() <= 64) {
        m_fadeMask.fill(qRgba(0, 0, 0, 255));
    } else if (!m_fadeMask.isNull()) {
        auto *line = reinterpret_cast<QRgb *>(m_fadeMask.scanLine(0));
        for (int x = FadeWidth; x < size.width() - FadeWidth; ++x)
            line[x] = qRgba(0, 0, 0, 255);
        for (int i = 1; i <= FadeWidth; ++i)
            line[i - 1] = line[size.width() - i] = qRgba(0, 0, 0, i * 16);
        for (int y = 1; y < size.height(); ++y)
            memcpy(m_fadeMask.scanLine(y), line, size_t(size.width()) * 4);
    }
    if ((m_textWidth > size.width() - m_margin) != m_scrolling)
        relayout();
}

void ScrollText::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A text that fits needs no steps: no wake-ups twenty times a second.
    if (m_scrolling)
        m_stepTimer.start();
}

void ScrollText::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_stepTimer.stop();
}

bool ScrollText::eventFilter(QObject *watched, QEvent *event)
{
    if (m_hoverHighlight && watched == this) {
        if (event->type() == QEvent::Enter)
            setTextColour(Qt::black);
        else if (event->type() == QEvent::Leave)
            setTextColour(QColor(QStringLiteral("#646464")));
    }
    return QWidget::eventFilter(watched, event);
}

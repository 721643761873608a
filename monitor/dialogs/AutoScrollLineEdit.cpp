#include "dialogs/AutoScrollLineEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QtMath>

#include <utility>

AutoScrollLineEdit::AutoScrollLineEdit(QWidget *parent)
    : QTextEdit(parent)
{
    // Children by name, so that tests can step them.
    for (auto [timer, name] : {std::pair{&m_pauseTimer, "pauseTimer"}, std::pair{&m_stepTimer, "stepTimer"}}) {
        timer->setParent(this);
        timer->setObjectName(QLatin1String(name));
    }
    connect(&m_pauseTimer, &QTimer::timeout, this, &AutoScrollLineEdit::border_timer_timeout);
    m_pauseTimer.setInterval(1000);
    connect(&m_stepTimer, &QTimer::timeout, this, &AutoScrollLineEdit::timer_timeout);
    m_stepTimer.setInterval(50);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setStyleSheet(QStringLiteral("QTextEdit {background-color:transparent;}"));
    setFrameShape(QFrame::NoFrame);
    setReadOnly(true);
    setTextInteractionFlags(Qt::NoTextInteraction);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &AutoScrollLineEdit::placeText);
}

void AutoScrollLineEdit::setClearance(int pixels)
{
    m_clearance = pixels;
    placeText();
}

int AutoScrollLineEdit::lineHeight() const
{
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        lines += block.layout()->lineCount();
    const qreal margins = 2 * document()->documentMargin();
    return lines > 0 ? qRound((document()->size().height() - margins) / lines) : 0;
}

void AutoScrollLineEdit::placeText()
{
    // The text's height depends on the width only, which the margins leave
    // alone: no loop.
    const int room = contentsRect().height() - m_clearance;
    const int spare = room - qCeil(document()->size().height());
    if (spare >= 0) {
        setViewportMargins(0, m_clearance + spare / 2, 0, 0);
        return;
    }
    // A text that scrolls shows whole lines while it rests at either end.
    // (With room for one line only, the box keeps it all: the cursor's
    // rectangle, a pixel taller than its line, would scroll the text.)
    const int line = lineHeight();
    const int lineRoom = room - qRound(document()->documentMargin());
    const int cut = line > 0 && lineRoom >= 2 * line ? lineRoom % line : 0;
    setViewportMargins(0, m_clearance, 0, cut);
}

void AutoScrollLineEdit::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    placeText();
}

void AutoScrollLineEdit::timer_timeout()
{
    QScrollBar *bar = verticalScrollBar();
    const int value = bar->value();
    if (value != 0 && value != bar->maximum()) {
        bar->setValue(m_downward ? value + 1 : value - 1);
        return;
    }
    m_stepTimer.stop();
    m_pauseTimer.start();
}

void AutoScrollLineEdit::border_timer_timeout()
{
    QScrollBar *bar = verticalScrollBar();
    const int value = bar->value();
    if (value == 0) {
        bar->setValue(value + 1);
        m_downward = true;
    } else if (value == bar->maximum()) {
        bar->setValue(value - 1);
        m_downward = false;
    }
    m_pauseTimer.stop();
    m_stepTimer.start();
}

void AutoScrollLineEdit::showEvent(QShowEvent *event)
{
    QTextEdit::showEvent(event);
    m_stepTimer.start();
}

void AutoScrollLineEdit::hideEvent(QHideEvent *event)
{
    m_stepTimer.stop();
    m_pauseTimer.stop();
    QTextEdit::hideEvent(event);
}

#include "dialogs/AutoScrollLineEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QtMath>

AutoScrollLineEdit::AutoScrollLineEdit(QWidget *parent)
    : QTextEdit(parent)
{
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

void AutoScrollLineEdit::placeText()
{
    // The text's height depends on the width only, which the top margin
    // leaves alone: no loop.
    const int room = contentsRect().height() - m_clearance;
    const int spare = room - qCeil(document()->size().height());
    setViewportMargins(0, m_clearance + qMax(0, spare / 2), 0, 0);
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

#pragma once

#include <QTextEdit>
#include <QTimer>

/// A read-only, frameless, transparent text box that scrolls its content
/// slowly to the end, pauses a second, scrolls back up, pauses, and so on.
/// A text that fits stands in the middle of the box and does not move; one
/// that scrolls shows whole lines while it rests at either end.
/// Its timers run only while it is visible: a queued notice costs nothing.
class AutoScrollLineEdit : public QTextEdit
{
    Q_OBJECT

public:
    explicit AutoScrollLineEdit(QWidget *parent = nullptr);

    /// Whether it is moving (else pausing at one end).
    bool isStepping() const { return m_stepTimer.isActive(); }
    bool isDownward() const { return m_downward; }

    /// Keeps the top \a pixels of the box free of text, scrolled or not
    /// (a band of the window's picture lies there).
    void setClearance(int pixels);
    /// Where the text is drawn: the box less the clearance and, for a text
    /// that fits, the space that centres it.
    QRect textArea() const { return viewport()->geometry(); }
    /// The height of one line of the text (0 without text).
    int lineHeight() const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private slots:
    virtual void timer_timeout();
    virtual void border_timer_timeout();

private:
    void placeText();

    QTimer m_pauseTimer;
    QTimer m_stepTimer;
    bool m_downward = true;
    int m_clearance = 0;
};

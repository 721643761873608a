#pragma once

#include <QTextEdit>
#include <QTimer>

/// A read-only, frameless, transparent text box that scrolls its content
/// slowly to the end, pauses a second, scrolls back up, pauses, and so on.
class AutoScrollLineEdit : public QTextEdit
{
    Q_OBJECT

public:
    explicit AutoScrollLineEdit(QWidget *parent = nullptr);

    /// Whether it is moving (else pausing at one end).
    bool isStepping() const { return m_stepTimer.isActive(); }
    bool isDownward() const { return m_downward; }

private slots:
    virtual void timer_timeout();
    virtual void border_timer_timeout();

private:
    QTimer m_pauseTimer;
    QTimer m_stepTimer;
    bool m_downward = true;
};

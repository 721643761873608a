#pragma once

#include <QTextEdit>
#include <QTimer>

/// A read-only, frameless, transparent text box that scrolls its content
/// slowly to the end, pauses a second, scrolls back up, pauses, and so on.
/// Its timers run only while it is visible: a queued notice costs nothing.
class AutoScrollLineEdit : public QTextEdit
{
    Q_OBJECT

public:
    explicit AutoScrollLineEdit(QWidget *parent = nullptr);

    /// Whether it is moving (else pausing at one end).
    bool isStepping() const { return m_stepTimer.isActive(); }
    bool isDownward() const { return m_downward; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private slots:
    virtual void timer_timeout();
    virtual void border_timer_timeout();

private:
    QTimer m_pauseTimer;
    QTimer m_stepTimer;
    bool m_downward = true;
};

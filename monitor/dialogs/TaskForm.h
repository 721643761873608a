#pragma once

#include "dialogs/AbstractVelmoraForm.h"

#include <memory>

class Velmora;

namespace Ui {
class TaskForm;
}

/// The choice of the team and the task to record time for.
///
/// Two lists: the user's teams, and the chosen team's tasks with a picture
/// for their state and their deadline. While online it fetches both anew
/// first; offline, or when fetching fails, it offers what the session keeps.
/// OK accepts (the main window then reads currentTeamId() and
/// currentTaskId()); Cancel only hides it.
class TaskForm : public AbstractVelmoraForm
{
    Q_OBJECT

public:
    explicit TaskForm(Velmora *velmora, QWidget *parent = nullptr);
    ~TaskForm() override;

    /// Preselects the session's team and task and fills the lists, asking the
    /// service first when online.
    void reload();

    QString currentTeamId() const;
    QString currentTaskId() const;

private slots:
    void on_cbTask_currentIndexChanged(int index);
    void on_cbTeam_currentIndexChanged(int index);
    void refreshed();
    void error(int error);
    void closeTask(const QString &taskId);

private:
    std::unique_ptr<Ui::TaskForm> m_ui;
    Velmora *m_velmora;
    QString m_teamId;
    QString m_taskId;
};

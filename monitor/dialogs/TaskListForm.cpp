#include "dialogs/TaskListForm.h"

#include "client/Velmora.h"
#include "dialogs/ComboItems.h"
#include "dialogs/TaskDescriptionForm.h"
#include "model/Session.h"
#include "ui_TaskListForm.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

const QString targetButtonStyle = QStringLiteral(
    "QPushButton{color:#646464}"
    "QPushButton{border-image: url(:/images/res/images/task_list_dialog/task_target_button_hovered.png);}"
    "QPushButton:hover:!pressed:!checked{border-image: "
    "url(:/images/res/images/task_list_dialog/task_target_button.png);}"
    "QPushButton:checked{border-image: url(:/images/res/images/task_list_dialog/task_target_button_pressed.png);}"
    "QPushButton:pressed{border-image: url(:/images/res/images/task_list_dialog/task_target_button_pressed.png);}");

} // namespace

TaskListForm::TaskListForm(Velmora *client, QWidget *mainWindow, QWidget *parent)
    : AbstractVelmoraForm(parent)
    , m_client(client)
    , m_ui(std::make_unique<Ui::TaskListForm>())
    , m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("TaskListForm"));
    useFixedFont(this, 11);
    m_ui->setupUi(this);
    // Not modal: the strip below it (whose "Задачи" closes it again) and the
    // description windows beside it stay usable while it is shown.
    setWindowModality(Qt::NonModal);

    // The rows' buttons share one style sheet, set once on the rows' parent:
    // one style sheet per button cost 2 MB for 500 rows and would give each
    // button the application's font instead of the list's.
    m_ui->listWidget->viewport()->setStyleSheet(targetButtonStyle);

    loadBackground(QStringLiteral(":/images/res/images/big_fon.png"));
    dragEnabled = false;
    const QRect area = m_mainWindow->screen()->availableGeometry();
    move(area.right() - width(), area.bottom() - height() - m_mainWindow->height());

    connect(m_client, &Velmora::teamChanged, this, &TaskListForm::onCurrentTeamChanged);
    connect(m_client, &Velmora::loginOk, this, &TaskListForm::onLogin);
    connect(m_client->session(), &Session::teamsUpdated, this, &TaskListForm::updateTeamCombobox);

    m_shownTeamId = m_client->session()->teamID();
    updateTeamCombobox();
}

TaskListForm::~TaskListForm() = default;

void TaskListForm::updateTeamCombobox()
{
    QComboBox *teams = m_ui->cbTeam;
    {
        const QSignalBlocker blocker(teams);
        teams->clear();
        ComboItems::addTeams(teams, m_client->session()->teams());
    }
    int index = ComboItems::indexOfId(teams, m_shownTeamId);
    // A user who has chosen no team yet sees the team the box shows, not an
    // empty list under it.
    if (index < 0 && m_firstBuild && teams->count() > 0)
        index = 0;
    if (index < 0)
        return;
    ComboItems::select(teams, index);
    // Also when the index did not change: the first build waits for this.
    on_cbTeam_currentIndexChanged(index);
}

void TaskListForm::on_cbTeam_currentIndexChanged(int index)
{
    const QString id = m_ui->cbTeam->itemData(index).toString();
    if (id == m_shownTeamId && !m_firstBuild)
        return;
    buildList(id);
    m_shownTeamId = id;
    m_firstBuild = false;
}

void TaskListForm::onCurrentTeamChanged(const QString &teamId)
{
    m_ui->cbTeam->setCurrentIndex(ComboItems::indexOfId(m_ui->cbTeam, teamId));
}

void TaskListForm::onLogin()
{
    // Another account: nothing of the previous one stays on screen, nor in
    // a description window that could be shown again.
    m_descriptions.clear();
    m_ui->listWidget->clear();
    m_shownTeamId = m_client->session()->teamID();
    m_firstBuild = true;
    updateTeamCombobox();
}

void TaskListForm::buildList(const QString &teamId)
{
    Velmora::Session *session = m_client->session();
    QList<Task> tasks = session->tasks(teamId);
    tasks.erase(std::remove_if(tasks.begin(), tasks.end(), [](const Task &task) { return task.id == pseudoTaskId(); }),
                tasks.end());
    QListWidget *list = m_ui->listWidget;
    list->clear();
    list->setGridSize(QSize(0, 26));
    // All items in one insertion: a visible view lays out every item widget
    // again after each inserted item (300 ms instead of 120 for 500 rows).
    QStringList blanks;
    blanks.reserve(tasks.size());
    for (int i = 0; i < tasks.size(); ++i)
        blanks << QString();
    list->addItems(blanks);
    for (int i = 0; i < tasks.size(); ++i)
        list->setItemWidget(list->item(i), createRow(tasks.at(i)));
    setWindowTitle(QStringLiteral("Задачи команды \"") + session->teamName(teamId).second + QLatin1Char('"'));
}

QWidget *TaskListForm::createRow(const Task &task)
{
    QListWidget *list = m_ui->listWidget;
    const QString deadline = QStringLiteral(" | Истекает: ") + deadlineText(task.deadline);
    auto *row = new QWidget;
    row->setFont(list->font());
    auto *layout = new QHBoxLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(0, 0, 0, 0);
    // A long title gives way to the deadline: it ends in "…", and the tool
    // tip holds the whole row.
    const int labelWidth = list->width() - 112;
    const QFontMetrics metrics(row->font());
    const int titleWidth = labelWidth - metrics.horizontalAdvance(deadline);
    auto *label = new QLabel(metrics.elidedText(task.title, Qt::ElideRight, titleWidth) + deadline, row);
    label->setObjectName(QStringLiteral("lbTask"));
    label->setTextFormat(Qt::PlainText);
    label->setToolTip(task.title + deadline);
    label->setFixedSize(labelWidth, 16);
    layout->addWidget(label, 0, Qt::AlignLeft);
    auto *button = new QPushButton(QStringLiteral("Цели задач"), row);
    button->setFixedSize(84, 24);
    button->setFocusPolicy(Qt::TabFocus);
    button->setProperty("task_id", task.id);
    connect(button, &QPushButton::clicked, this, &TaskListForm::openTaskDescription);
    layout->addWidget(button, 0, Qt::AlignRight);
    return row;
}

void TaskListForm::openTaskDescription()
{
    const QString id = sender()->property("task_id").toString();
    auto found = m_descriptions.find(id);
    if (found == m_descriptions.end())
        found = m_descriptions.emplace(id, std::make_unique<TaskDescriptionForm>(id, m_client, this)).first;
    for (const auto &entry : m_descriptions) {
        if (entry.first != id)
            entry.second->hide();
    }
    TaskDescriptionForm *description = found->second.get();
    if (description->isVisible()) {
        description->hide();
    } else {
        description->requestUpdateTask(id);
        description->show();
    }
}

void TaskListForm::on_pbHide_clicked()
{
    hide();
    for (const auto &entry : m_descriptions)
        entry.second->hide();
}

void TaskListForm::hideAll()
{
    if (isVisible()) {
        hide();
        m_hiddenByHideAll = true;
    }
    for (const auto &entry : m_descriptions)
        entry.second->hideAll();
}

void TaskListForm::showAll()
{
    if (m_hiddenByHideAll) {
        show();
        m_hiddenByHideAll = false;
    }
    for (const auto &entry : m_descriptions)
        entry.second->showAll();
}

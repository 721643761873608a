#include "dialogs/TaskDescriptionForm.h"

#include "client/Velmora.h"
#include "dialogs/ComboItems.h"
#include "dialogs/SafeTextBrowser.h"
#include "dialogs/ScrollText.h"
#include "model/Session.h"
#include "ui_TaskDescriptionForm.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScreen>

namespace {

QLabel *rowLabel(const QString &text, QWidget *row, int height)
{
    auto *label = new QLabel(text, row);
    // The row is measured before it joins its list: the label's font is
    // its own, or the style sheet would give it the application's.
    label->setFont(row->font());
    label->setObjectName(QStringLiteral("label"));
    label->setFixedHeight(height);
    label->setTextFormat(Qt::PlainText);
    return label;
}

/// Appends \a row to \a list as the widget of a new item of the row's size.
void appendRow(QListWidget *list, QWidget *row)
{
    auto *item = new QListWidgetItem;
    item->setSizeHint(row->sizeHint());
    list->addItem(item);
    list->setItemWidget(item, row);
}

/// The people responsible for a task, each named once, in the order
/// executor, creator, auditor.
QString responsible(const TaskInfo &info)
{
    QStringList names;
    for (const QString *name : {&info.executor_name, &info.creator_name, &info.auditor_name}) {
        if (!name->isEmpty() && !names.contains(*name))
            names << *name;
    }
    return names.join(QStringLiteral(", "));
}

} // namespace

TaskDescriptionForm::TaskDescriptionForm(const QString &taskId, Velmora *client, QWidget *listWindow, QWidget *parent)
    : AbstractVelmoraForm(parent)
    , m_ui(std::make_unique<Ui::TaskDescriptionForm>())
    , m_client(client)
    , m_taskId(taskId)
    , m_listWindow(listWindow)
{
    qDebug() << "TaskDescriptionForm TaskDescriptionForm";
    setObjectName(QStringLiteral("TaskDescriptionForm"));
    const QFont fixedFont = useFixedFont(this, 11);
    m_ui->setupUi(this);
    // Not modal: the list beside it and the main window stay usable.
    setWindowModality(Qt::NonModal);

    loadBackground(QStringLiteral(":/images/res/images/big_fon.png"));
    dragEnabled = false;
    const QScreen *screen = m_listWindow->screen();
    move(screen->availableGeometry().right() - m_listWindow->width() - width(), m_listWindow->y());

    const QString pageButtonStyle = QStringLiteral(
        "QPushButton{color:#646464}"
        "QPushButton{border-image: url(:/images/res/images/task_desc_dialog/descr_button_hovered.png);}"
        "QPushButton:hover:!pressed:!checked{border-image: "
        "url(:/images/res/images/task_desc_dialog/descr_button.png);}"
        "QPushButton:checked{border-image: url(:/images/res/images/task_desc_dialog/descr_button_pressed.png);}"
        "QPushButton:pressed{border-image: url(:/images/res/images/task_desc_dialog/descr_button_pressed.png); "
        "color:#FFFFFF}"
        "QPushButton:disabled{border-image: url(:/images/res/images/task_desc_dialog/descr_button_pressed.png); "
        "color:#BBBBBB}");
    const QString greyText = QStringLiteral(" QTextBrowser {background-color: transparent; color:rgb(100,100,100)}");
    const struct
    {
        QWidget *widget;
        QString styleSheet;
    } styled[] = {
        {m_ui->pbCopyrightTasks, pageButtonStyle},
        {m_ui->pbMainInfo, pageButtonStyle},
        {m_ui->textTask, QStringLiteral(" QTextBrowser {background-color: transparent;}")},
        {m_ui->textRequirements, greyText},
        {m_ui->listKeywords, greyText},
        {m_ui->listAttachments, QStringLiteral("QListWidget::item {background-color: rgb(255, 234, 128);}")},
    };
    for (const auto &entry : styled) {
        // A style sheet of its own would give the widget the application's
        // font back; it keeps the window's.
        entry.widget->setFont(fixedFont);
        entry.widget->setStyleSheet(entry.styleSheet);
    }
    m_ui->copyrightTasksWidget->hide();
    m_ui->lbTaskTitle->hide();

    m_title = new ScrollText(false, this);
    m_title->setObjectName(QStringLiteral("titleMarquee"));
    m_ui->mainLayout->addWidget(m_title, 0, 0, 1, 2); // grey (#646464), as every marquee
    m_title->setText(QStringLiteral("..."));

    connect(m_client, &Velmora::taskInfoUpdated, this, &TaskDescriptionForm::updateTask);
    updateTask(m_client->session()->taskInfo(m_taskId));
}

TaskDescriptionForm::~TaskDescriptionForm() = default;

void TaskDescriptionForm::requestUpdateTask(const QString &id)
{
    qDebug() << "TaskDescriptionForm requestUpdateTask";
    Velmora::Session *session = m_client->session();
    if (session->isOnline())
        m_client->requestTaskInfo(id);
    else
        updateTask(session->taskInfo(id));
}

void TaskDescriptionForm::updateTask(const TaskInfo &taskInfo)
{
    qDebug() << "TaskDescriptionForm updateTask";
    if (taskInfo.id != m_taskId)
        return;

    m_title->setText(taskInfo.title);
    m_title->setToolTip(taskInfo.title);
    m_ui->lbTaskDeadline->setText(QStringLiteral("Истекает: ") + deadlineText(taskInfo.deadline));
    m_ui->lbResponsible->setText(QStringLiteral("Ответственные: ") + responsible(taskInfo));
    m_ui->lbAttachmentsNumber->setText(QString::number(taskInfo.files.size()));

    QListWidget *attachments = m_ui->listAttachments;
    attachments->clear();
    attachments->setGridSize(QSize(0, 25));
    for (const Attachment &file : taskInfo.files) {
        auto *row = new QWidget;
        row->setFont(font());
        auto *layout = new QHBoxLayout(row);
        layout->setContentsMargins(10, 0, 10, 0);
        QLabel *name = rowLabel(file.filename_orig, row, 23);
        name->setToolTip(file.filename_orig);
        layout->addWidget(name, 0, Qt::AlignLeft);
        // A size that is no whole number of bytes (or a negative one) reads 0.
        layout->addWidget(rowLabel(size_human(float(file.size.toULongLong())), row, 23), 0, Qt::AlignRight);
        appendRow(attachments, row);
    }

    m_ui->textTask->setText(taskInfo.text);

    if (taskInfo.texts.isEmpty()) {
        m_ui->pbCopyrightTasks->setEnabled(false);
        m_ui->mainWidget->show();
        m_ui->copyrightTasksWidget->hide();
    } else {
        m_ui->pbCopyrightTasks->setEnabled(true);
        updateTextTasksCombobox(taskInfo);
    }
}

QString TaskDescriptionForm::size_human(float size)
{
    qDebug() << "TaskDescriptionForm size_human";
    QString unit = QStringLiteral("B");
    for (const char *larger : {"KB", "MB", "GB", "TB"}) {
        if (size < 1024)
            break;
        unit = QLatin1String(larger);
        size /= 1024;
    }
    return QString::number(double(size), 'f', 2) + QLatin1Char(' ') + unit;
}

void TaskDescriptionForm::updateTextTasksCombobox(const TaskInfo &taskInfo)
{
    qDebug() << "TaskDescriptionForm updateTextTasksCombobox";
    {
        const QSignalBlocker blocker(m_ui->cbTexts);
        m_ui->cbTexts->clear();
        for (const TextTask &textTask : taskInfo.texts) {
            ComboItems::add(m_ui->cbTexts, textTask.title, QVariant::fromValue(textTask));
        }
    }
    updateTaskText(taskInfo.texts.first());
}

void TaskDescriptionForm::updateTaskText(const TextTask &textTask)
{
    qDebug() << "TaskDescriptionForm updateTaskText";
    // The address comes from the service: it is shown as text, and it is a
    // link only when it leads to a web page.
    const QString shown = textTask.page.toString().toHtmlEscaped();
    if (isWebLink(textTask.page)) {
        const QString target = QString::fromUtf8(textTask.page.toEncoded()).toHtmlEscaped();
        m_ui->lbUrl->setText(QStringLiteral("URL: <a href=\"") + target +
                             QStringLiteral("\" style=\"color:rgb(100,100,100)\">") + shown + QStringLiteral("</a>"));
    } else {
        m_ui->lbUrl->setText(QStringLiteral("URL: ") + shown);
    }
    m_ui->textRequirements->setText(textTask.task);
    m_ui->lbSignNumber->setText(QStringLiteral("Количество знаков: ") + textTask.min_count);

    QListWidget *keywords = m_ui->listKeywords;
    keywords->clear();
    keywords->setGridSize(QSize(0, 15));
    for (const Keyword &keyword : textTask.keywords) {
        auto *row = new QWidget;
        row->setFont(font());
        auto *layout = new QHBoxLayout(row);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        layout->setContentsMargins(0, 0, 0, 0);
        QLabel *phrase = rowLabel(keyword.keyword, row, 15);
        phrase->setFixedSize(180, 15);
        phrase->setToolTip(keyword.keyword);
        layout->addWidget(phrase);
        layout->addWidget(rowLabel(QStringLiteral("Точн. ") + keyword.count, row, 15), 0, Qt::AlignRight);
        layout->addWidget(rowLabel(QStringLiteral("Неточн. ") + keyword.count2, row, 15), 0, Qt::AlignRight);
        appendRow(keywords, row);
    }
}

void TaskDescriptionForm::on_cbTexts_currentIndexChanged(int index)
{
    qDebug() << "TaskDescriptionForm on_cbTexts_currentIndexChanged";
    updateTaskText(m_ui->cbTexts->itemData(index).value<TextTask>());
}

void TaskDescriptionForm::on_pbMainInfo_clicked()
{
    qDebug() << "TaskDescriptionForm on_pbMainInfo_clicked";
    m_ui->copyrightTasksWidget->hide();
    m_ui->mainWidget->show();
}

void TaskDescriptionForm::on_pbCopyrightTasks_clicked()
{
    qDebug() << "TaskDescriptionForm on_pbCopyrightTasks_clicked";
    m_ui->copyrightTasksWidget->show();
    m_ui->mainWidget->hide();
}

void TaskDescriptionForm::on_pbHide_clicked()
{
    qDebug() << "TaskDescriptionForm on_pbHide_clicked";
    hide();
}

void TaskDescriptionForm::hideAll()
{
    qDebug() << "TaskDescriptionForm hideAll";
    if (isVisible()) {
        hide();
        m_hiddenByHideAll = true;
    }
}

void TaskDescriptionForm::showAll()
{
    qDebug() << "TaskDescriptionForm showAll";
    if (m_hiddenByHideAll) {
        show();
        m_hiddenByHideAll = false;
    }
}

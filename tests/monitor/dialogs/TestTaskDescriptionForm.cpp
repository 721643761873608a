#include "client/Velmora.h"
#include "dialogs/SafeTextBrowser.h"
#include "dialogs/ScrollText.h"
#include "dialogs/TaskDescriptionForm.h"
#include "model/Session.h"
#include "support/PageRecorder.h"
#include "support/TaskRecords.h"

#include <QAbstractTextDocumentLayout>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

namespace {

TextTask textOrder(const QString &id, const QString &page, const QString &count)
{
    TextTask text;
    text.id = id;
    text.title = QStringLiteral("Текст ") + id;
    text.page = QUrl(page, QUrl::TolerantMode);
    text.task = QStringLiteral("Требования ") + id;
    text.min_count = count;
    text.keywords = {
        Keyword{QStringLiteral("1"), QStringLiteral("фраза ") + id, QStringLiteral("2"), QStringLiteral("4")}};
    return text;
}

/// The links of a rich text, in order.
QStringList anchors(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    QStringList hrefs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isAnchor())
                hrefs << it.fragment().charFormat().anchorHref();
        }
    }
    return hrefs;
}

QString plainText(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

} // namespace

// The description of one task, offline (the service address answers
// nothing), fed through the session's cache and the client's signal.
class TestTaskDescriptionForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("VELMORA_SERVICE_URL", "https://127.0.0.1:9"); }

    void init()
    {
        m_velmora = std::make_unique<Velmora>();
        m_velmora->setSkipSaveOnExit(true);
        m_velmora->session()->setOnline(false);
        m_listWindow = std::make_unique<QWidget>();
        m_listWindow->resize(394, 565);
        m_listWindow->move(100, 120);
    }

    void cleanup()
    {
        m_form.reset();
        m_listWindow.reset();
        m_velmora.reset();
    }

    void placeholdersUntilItsDescriptionArrives()
    {
        createForm(QStringLiteral("101"));
        QCOMPARE(m_form->size(), QSize(361, 437));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Цели задачи"));
        QCOMPARE(m_form->pos(), QPoint(m_form->screen()->availableGeometry().right() - 394 - 361, 120));
        QCOMPARE(title()->text(), QStringLiteral("..."));
        QCOMPARE(label("lbTaskDeadline")->text(), QStringLiteral("..."));
        QVERIFY(!label("lbTaskTitle")->isVisibleTo(m_form.get()));
        QVERIFY(widget("mainWidget")->isVisibleTo(m_form.get()));
        QVERIFY(!widget("copyrightTasksWidget")->isVisibleTo(m_form.get()));

        // Offline, a refresh shows what the session keeps.
        m_velmora->session()->setTaskInfo(QStringLiteral("101"), sampleTaskInfo());
        m_form->requestUpdateTask(QStringLiteral("101"));
        QCOMPARE(title()->text(), QStringLiteral("Сверстать форму входа"));
        QCOMPARE(title()->toolTip(), QStringLiteral("Сверстать форму входа"));
        QCOMPARE(label("lbTaskDeadline")->text(), QStringLiteral("Истекает: 2026-12-24 18:30:00"));
        QCOMPARE(label("lbResponsible")->text(), QStringLiteral("Ответственные: Ivan, Olga, Petr"));
        QCOMPARE(label("lbAttachmentsNumber")->text(), QStringLiteral("1"));
        QCOMPARE(browser("textTask")->toPlainText(), QStringLiteral("Описание\nв две строки"));
        QVERIFY(button("pbCopyrightTasks")->isEnabled());
    }

    void anotherTasksDescriptionChangesNothing()
    {
        m_velmora->session()->setTaskInfo(QStringLiteral("101"), sampleTaskInfo());
        createForm(QStringLiteral("101"));
        TaskInfo other;
        other.id = QStringLiteral("102");
        other.title = QStringLiteral("Чужая задача");
        other.text = QStringLiteral("чужое описание");
        emit m_velmora->taskInfoUpdated(other);
        emit m_velmora->taskInfoUpdated(TaskInfo()); // nothing cached: an empty description
        QCOMPARE(title()->text(), QStringLiteral("Сверстать форму входа"));
        QCOMPARE(browser("textTask")->toPlainText(), QStringLiteral("Описание\nв две строки"));
        QCOMPARE(attachments()->count(), 1);
    }

    void responsiblePeople_data()
    {
        QTest::addColumn<QStringList>("names"); // executor, creator, auditor
        QTest::addColumn<QString>("shown");
        QTest::newRow("the same person thrice") << QStringList{"Ivan", "Ivan", "Ivan"} << "Ответственные: Ivan";
        QTest::newRow("no executor") << QStringList{"", "Olga", "Petr"} << "Ответственные: Olga, Petr";
        QTest::newRow("nobody") << QStringList{"", "", ""} << "Ответственные: ";
        QTest::newRow("auditor as executor") << QStringList{"Ivan", "Olga", "Ivan"} << "Ответственные: Ivan, Olga";
        QTest::newRow("a name that looks like markup")
            << QStringList{"<b>Ivan</b>", "", ""} << "Ответственные: <b>Ivan</b>";
    }

    void responsiblePeople()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, shown);
        TaskInfo info = sampleTaskInfo();
        info.executor_name = names.at(0);
        info.creator_name = names.at(1);
        info.auditor_name = names.at(2);
        createForm(info.id);
        emit m_velmora->taskInfoUpdated(info);
        QCOMPARE(label("lbResponsible")->text(), shown);
        QCOMPARE(label("lbResponsible")->textFormat(), Qt::PlainText);
    }

    void attachmentSizes_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("shown");
        QTest::newRow("nothing") << "0"
                                 << "0.00 B";
        QTest::newRow("just under a kilobyte") << "1023"
                                               << "1023.00 B";
        QTest::newRow("a kilobyte and a half") << "1536"
                                               << "1.50 KB";
        QTest::newRow("a megabyte") << "1048576"
                                    << "1.00 MB";
        QTest::newRow("a petabyte stays in terabytes") << "1125899906842624"
                                                       << "1024.00 TB";
        QTest::newRow("not a number") << "12 KB"
                                      << "0.00 B";
        QTest::newRow("empty") << ""
                               << "0.00 B";
        QTest::newRow("negative") << "-2048"
                                  << "0.00 B";
        QTest::newRow("beyond 64 bits") << "99999999999999999999999"
                                        << "0.00 B";
        QTest::newRow("the largest 64-bit number") << "18446744073709551615"
                                                   << "16777216.00 TB";
    }

    void attachmentSizes()
    {
        QFETCH(QString, size);
        QFETCH(QString, shown);
        TaskInfo info = sampleTaskInfo();
        info.files = {Attachment{QStringLiteral("1"), QStringLiteral("f1"), QStringLiteral("<b>отчёт</b>.pdf"), size}};
        createForm(info.id);
        emit m_velmora->taskInfoUpdated(info);
        QCOMPARE(attachments()->count(), 1);
        const QList<QLabel *> labels = attachments()->itemWidget(attachments()->item(0))->findChildren<QLabel *>();
        QCOMPARE(labels.size(), 2);
        QCOMPARE(labels.at(0)->text(), QStringLiteral("<b>отчёт</b>.pdf")); // a name, never markup
        QCOMPARE(labels.at(0)->textFormat(), Qt::PlainText);
        QCOMPARE(labels.at(1)->text(), shown);
    }

    void noAttachmentsAndNoTextOrders()
    {
        createForm(QStringLiteral("101"));
        emit m_velmora->taskInfoUpdated(sampleTaskInfo());
        button("pbCopyrightTasks")->click();
        QVERIFY(widget("copyrightTasksWidget")->isVisibleTo(m_form.get()));

        TaskInfo bare = sampleTaskInfo();
        bare.files.clear();
        bare.texts.clear();
        emit m_velmora->taskInfoUpdated(bare);
        QCOMPARE(label("lbAttachmentsNumber")->text(), QStringLiteral("0"));
        QCOMPARE(attachments()->count(), 0);
        QVERIFY(!button("pbCopyrightTasks")->isEnabled());
        QVERIFY(widget("mainWidget")->isVisibleTo(m_form.get()));
        QVERIFY(!widget("copyrightTasksWidget")->isVisibleTo(m_form.get()));
    }

    void textOrders()
    {
        TaskInfo info = sampleTaskInfo();
        info.texts = {textOrder(QStringLiteral("1"), QStringLiteral("https://example.com/one"), QStringLiteral("300")),
                      textOrder(QStringLiteral("2"), QStringLiteral("https://example.com/two"), QStringLiteral("900"))};
        createForm(info.id);
        emit m_velmora->taskInfoUpdated(info);
        button("pbCopyrightTasks")->click();
        QVERIFY(!widget("mainWidget")->isVisibleTo(m_form.get()));
        QComboBox *texts = m_form->findChild<QComboBox *>(QStringLiteral("cbTexts"));
        QCOMPARE(texts->count(), 2);
        QCOMPARE(texts->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("Текст 2"));
        QCOMPARE(texts->currentIndex(), 0);
        QCOMPARE(label("lbSignNumber")->text(), QStringLiteral("Количество знаков: 300"));

        texts->setCurrentIndex(1);
        QCOMPARE(anchors(label("lbUrl")->text()), QStringList{"https://example.com/two"});
        QCOMPARE(browser("textRequirements")->toPlainText(), QStringLiteral("Требования 2"));
        QCOMPARE(label("lbSignNumber")->text(), QStringLiteral("Количество знаков: 900"));
        const QStringList row = keywordRow(0);
        QCOMPARE(row, (QStringList{"фраза 2", "Точн. 2", "Неточн. 4"}));

        // A refresh shows the first text order again; the page stays.
        emit m_velmora->taskInfoUpdated(info);
        QCOMPARE(texts->currentIndex(), 0);
        QCOMPARE(label("lbSignNumber")->text(), QStringLiteral("Количество знаков: 300"));
        QCOMPARE(keywordRow(0).first(), QStringLiteral("фраза 1"));
        QVERIFY(widget("copyrightTasksWidget")->isVisibleTo(m_form.get()));

        button("pbMainInfo")->click();
        QVERIFY(widget("mainWidget")->isVisibleTo(m_form.get()));
        QVERIFY(!widget("copyrightTasksWidget")->isVisibleTo(m_form.get()));
    }

    void textOrderAddress_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("links");
        QTest::newRow("a web page") << "https://example.com/a?b=1&c=2" << QStringList{"https://example.com/a?b=1&c=2"};
        QTest::newRow("plain http") << "http://example.com/" << QStringList{"http://example.com/"};
        QTest::newRow("quotes and markup stay text")
            << "https://example.com/\"><img src=x onerror=1><b>x</b>"
            << QStringList{"https://example.com/%22%3E%3Cimg%20src=x%20onerror=1%3E%3Cb%3Ex%3C/b%3E"};
        QTest::newRow("character references stay as typed")
            << "https://example.com/?x=&lt;b&gt;&amp;" << QStringList{"https://example.com/?x=&lt;b&gt;&amp;"};
        QTest::newRow("a local file is no link") << "file:///etc/passwd" << QStringList{};
        QTest::newRow("a script is no link") << "javascript:alert(1)" << QStringList{};
        QTest::newRow("no host is no link") << "https:relative/page" << QStringList{};
        QTest::newRow("nothing at all") << "" << QStringList{};
    }

    void textOrderAddress()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, links);
        TaskInfo info = sampleTaskInfo();
        info.texts = {textOrder(QStringLiteral("1"), page, QStringLiteral("1"))};
        createForm(info.id);
        emit m_velmora->taskInfoUpdated(info);
        const QString html = label("lbUrl")->text();
        QCOMPARE(anchors(html), links);
        QCOMPARE(plainText(html), QStringLiteral("URL: ") + info.texts.first().page.toString());
        QVERIFY(!html.contains(QStringLiteral("<img")) && !html.contains(QStringLiteral("<b>")));
    }

    void descriptionLoadsNothingAndOpensOnlyWebLinks()
    {
        QTemporaryDir folder;
        QImage red(40, 40, QImage::Format_RGB32);
        red.fill(Qt::red);
        const QString picture = folder.filePath(QStringLiteral("secret.png"));
        QVERIFY(red.save(picture));
        const QUrl pictureUrl = QUrl::fromLocalFile(picture);
        TaskInfo info = sampleTaskInfo();
        info.text = QStringLiteral("<p><img src=\"%1\"><img src=\"%2\"></p>"
                                   "<p><a href=\"https://example.com/web\">web</a> "
                                   "<a href=\"file:///etc/passwd\">file</a> <a href=\"other.html\">other</a></p>")
                        .arg(picture, pictureUrl.toString());
        createForm(info.id);
        m_form->show();
        emit m_velmora->taskInfoUpdated(info);

        SafeTextBrowser *text = browser("textTask");
        for (const QUrl &url : {QUrl(picture), pictureUrl}) {
            const QImage loaded = text->document()->resource(QTextDocument::ImageResource, url).value<QImage>();
            QVERIFY2(loaded.size() != red.size(), qPrintable(url.toString()));
        }

        PageRecorder web(QStringLiteral("https"));
        PageRecorder files(QStringLiteral("file"));
        for (const char *word : {"other", "file", "web"})
            clickWord(text, QLatin1String(word));
        QCOMPARE(web.pages, QStringList{"https://example.com/web"});
        QVERIFY(files.pages.isEmpty());
        QVERIFY(text->source().isEmpty());
        QVERIFY(text->toPlainText().contains(QStringLiteral("web file other")));
    }

    void hideAllRestoresOnlyWhatWasVisible()
    {
        createForm(QStringLiteral("101"));
        m_form->hideAll();
        m_form->showAll();
        QVERIFY(!m_form->isVisible());
        m_form->show();
        m_form->hideAll();
        QVERIFY(!m_form->isVisible());
        m_form->showAll();
        QVERIFY(m_form->isVisible());
        button("pbHide")->click();
        QVERIFY(!m_form->isVisible());
    }

private:
    void createForm(const QString &taskId)
    {
        m_form = std::make_unique<TaskDescriptionForm>(taskId, m_velmora.get(), m_listWindow.get());
    }

    QWidget *widget(const char *name) const { return m_form->findChild<QWidget *>(QLatin1String(name)); }
    QLabel *label(const char *name) const { return m_form->findChild<QLabel *>(QLatin1String(name)); }
    QPushButton *button(const char *name) const { return m_form->findChild<QPushButton *>(QLatin1String(name)); }
    SafeTextBrowser *browser(const char *name) const
    {
        return m_form->findChild<SafeTextBrowser *>(QLatin1String(name));
    }
    ScrollText *title() const { return m_form->findChild<ScrollText *>(); }
    QListWidget *attachments() const { return m_form->findChild<QListWidget *>(QStringLiteral("listAttachments")); }

    QStringList keywordRow(int row) const
    {
        auto *list = m_form->findChild<QListWidget *>(QStringLiteral("listKeywords"));
        QStringList texts;
        for (QLabel *label : list->itemWidget(list->item(row))->findChildren<QLabel *>())
            texts << label->text();
        return texts;
    }

    /// Clicks the middle of \a word in \a browser as a user would.
    static void clickWord(QTextBrowser *browser, const QString &word)
    {
        QTextCursor cursor = browser->document()->find(word);
        QVERIFY2(!cursor.isNull(), qPrintable(word));
        cursor.setPosition(cursor.selectionStart() + 1);
        const QPoint at = browser->cursorRect(cursor).center();
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    std::unique_ptr<Velmora> m_velmora;
    std::unique_ptr<QWidget> m_listWindow;
    std::unique_ptr<TaskDescriptionForm> m_form;
};

QTEST_MAIN(TestTaskDescriptionForm)
#include "TestTaskDescriptionForm.moc"

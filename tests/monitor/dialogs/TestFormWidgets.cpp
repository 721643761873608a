#include "dialogs/AbstractVelmoraForm.h"
#include "dialogs/AutoScrollLineEdit.h"
#include "dialogs/ScrollText.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

class Form : public AbstractVelmoraForm
{
public:
    void setDragEnabled(bool enabled) { dragEnabled = enabled; }
};

void mouse(QWidget *target, QEvent::Type type, const QPoint &global, Qt::MouseButtons buttons)
{
    const QPoint local = target->mapFromGlobal(global);
    QMouseEvent event(type, local, global, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

/// Does what the timer \a name of \a widget does when it runs out, at once.
void fire(QObject *widget, const char *name)
{
    auto *timer = widget->findChild<QTimer *>(QLatin1String(name));
    QVERIFY(timer);
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
}

} // namespace

class TestFormWidgets : public QObject
{
    Q_OBJECT

private slots:
    void formLooksAsDesigned()
    {
        Form form;
        QCOMPARE(form.objectName(), QStringLiteral("AbstractVelmoraForm"));
        QCOMPARE(form.size(), QSize(400, 300));
        QCOMPARE(form.windowTitle(), QStringLiteral("Dialog"));
        QVERIFY(form.testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(form.testAttribute(Qt::WA_ShowModal));
        const Qt::WindowFlags flags = form.windowFlags();
        QCOMPARE(int(flags), int(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
    }

    // Dragging the form's own background moves it by the mouse's travel; a
    // press on a child, or a form that does not drag, moves nothing.
    void dragging_data()
    {
        QTest::addColumn<bool>("onChild");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QPoint>("moved");
        QTest::newRow("the background moves the window") << false << true << QPoint(25, -12);
        QTest::newRow("a child widget does not") << true << true << QPoint();
        QTest::newRow("a form without dragging does not") << false << false << QPoint();
    }

    void dragging()
    {
        QFETCH(bool, onChild);
        QFETCH(bool, enabled);
        QFETCH(QPoint, moved);
        Form form;
        form.setDragEnabled(enabled);
        auto *button = new QPushButton(&form);
        button->setGeometry(200, 100, 80, 30);
        form.move(100, 100);
        const QPoint start = form.pos();
        QWidget *target = onChild ? static_cast<QWidget *>(button) : &form;
        const QPoint pressed = target->mapToGlobal(QPoint(10, 10));
        mouse(target, QEvent::MouseButtonPress, pressed, Qt::LeftButton);
        mouse(target, QEvent::MouseMove, pressed + QPoint(10, -10), Qt::LeftButton);
        mouse(target, QEvent::MouseMove, pressed + QPoint(25, -12), Qt::LeftButton);
        QCOMPARE(form.pos() - start, moved);
    }

    void scrollTextFit_data()
    {
        QTest::addColumn<int>("extra"); // widget width minus text width
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("exactly as wide as the widget") << 0 << false;
        QTest::newRow("one pixel wider") << -1 << true;
        QTest::newRow("narrower") << 30 << false;
    }

    void scrollTextFit()
    {
        QFETCH(int, extra);
        QFETCH(bool, scrolls);
        ScrollText label(true);
        const QString text = QStringLiteral("Сверстать форму входа");
        label.resize(label.fontMetrics().horizontalAdvance(text) + extra, label.height());
        label.setText(text);
        QCOMPARE(label.isScrolling(), scrolls);
        if (!scrolls)
            return;
        QCOMPARE(label.offset(), -64);
        for (int i = 0; i < 64; ++i)
            fire(&label, "stepTimer");
        QCOMPARE(label.offset(), 0);
        fire(&label, "stepTimer");
        QCOMPARE(label.offset(), 1);
    }

    void scrollTextTimerFollowsVisibility()
    {
        QWidget window;
        auto *label = new ScrollText(false, &window);
        label->resize(40, label->height());
        window.hide();
        label->setText(QStringLiteral("a text far too long for forty pixels"));
        QVERIFY(label->isScrolling());
        QVERIFY(!label->isStepping());
        window.show();
        QVERIFY(label->isStepping());
        window.hide();
        QVERIFY(!label->isStepping());

        // A text that fits needs no steps.
        label->setText(QStringLiteral("ok"));
        window.show();
        QVERIFY(!label->isScrolling());
        QVERIFY(!label->isStepping());
    }

    void scrollTextEdges_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("leftAlpha");
        QTest::addColumn<int>("innerAlpha");
        QTest::newRow("64 pixels or narrower: no fading") << 64 << 255 << 255;
        QTest::newRow("wider: faded edges") << 200 << 16 << 240;
    }

    void scrollTextEdges()
    {
        QFETCH(int, width);
        QFETCH(int, leftAlpha);
        QFETCH(int, innerAlpha);
        ScrollText label(false);
        label.resize(width, label.height());
        label.show(); // a hidden widget gets its resize event when shown
        const QImage &mask = label.fadeMask();
        QCOMPARE(qAlpha(mask.pixel(0, 0)), leftAlpha);
        QCOMPARE(qAlpha(mask.pixel(width - 1, mask.height() - 1)), leftAlpha);
        QCOMPARE(qAlpha(mask.pixel(14, 0)), innerAlpha);
        QCOMPARE(qAlpha(mask.pixel(width / 2, 0)), 255);
    }

    void emptyScrollTextNeverScrolls()
    {
        ScrollText label(false);
        label.resize(100, label.height());
        label.setText(QString());
        label.show();
        fire(&label, "stepTimer"); // no division by zero
        QVERIFY(!label.isScrolling());
        label.grab();
    }

    void scrollTextHover()
    {
        ScrollText highlighting(true);
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(&highlighting, &enter);
        QCOMPARE(highlighting.palette().color(highlighting.foregroundRole()), QColor(Qt::black));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&highlighting, &leave);
        QCOMPARE(highlighting.palette().color(highlighting.foregroundRole()), QColor(QStringLiteral("#646464")));
    }

    void autoScrollFittingTextOnlyAlternates()
    {
        AutoScrollLineEdit edit;
        edit.resize(161, 70);
        edit.setText(QStringLiteral("Короткий текст"));
        QVERIFY(edit.isReadOnly());
        QCOMPARE(edit.textInteractionFlags(), Qt::NoTextInteraction);
        QVERIFY(!edit.isStepping()); // hidden: no timer runs
        edit.show();
        QVERIFY(edit.isStepping());
        fire(&edit, "stepTimer");
        QVERIFY(!edit.isStepping());
        fire(&edit, "pauseTimer");
        QVERIFY(edit.isStepping());
        QCOMPARE(edit.verticalScrollBar()->value(), 0);
        edit.hide();
        QVERIFY(!edit.isStepping());
    }

    void autoScrollGoesDownPausesAndReturns()
    {
        AutoScrollLineEdit edit;
        edit.resize(161, 40);
        edit.show();
        edit.setText(QStringLiteral("Строка текста уведомления, которая не помещается. ").repeated(6));
        QScrollBar *bar = edit.verticalScrollBar();
        QVERIFY(bar->maximum() > 2);

        fire(&edit, "stepTimer"); // at the top: pause
        QVERIFY(!edit.isStepping());
        fire(&edit, "pauseTimer");
        QCOMPARE(bar->value(), 1);
        QVERIFY(edit.isDownward());
        while (bar->value() < bar->maximum())
            fire(&edit, "stepTimer");
        fire(&edit, "stepTimer"); // at the bottom: pause
        QVERIFY(!edit.isStepping());
        fire(&edit, "pauseTimer");
        QCOMPARE(bar->value(), bar->maximum() - 1);
        QVERIFY(!edit.isDownward());
        fire(&edit, "stepTimer");
        QCOMPARE(bar->value(), bar->maximum() - 2);
    }
};

QTEST_MAIN(TestFormWidgets)
#include "TestFormWidgets.moc"

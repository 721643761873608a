#include "client/Velmora.h"
#include "dialogs/LoginForm.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// The sign-in dialog against a client whose service address answers nothing
// (port 9 on this machine is closed), so every sign-in fails on the network.
class TestLoginForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("VELMORA_SERVICE_URL", "https://127.0.0.1:9"); }

    void init()
    {
        m_velmora = std::make_unique<Velmora>();
        m_velmora->setSkipSaveOnExit(true);
        m_form = std::make_unique<LoginForm>(m_velmora.get());
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void cleanup()
    {
        m_form.reset();
        m_velmora.reset();
    }

    void layoutAndNames()
    {
        QCOMPARE(m_form->objectName(), QStringLiteral("LoginForm"));
        QCOMPARE(m_form->size(), QSize(369, 186));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Авторизация"));
        QCOMPARE(m_form->windowType(), Qt::Tool);
        QVERIFY(m_form->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(m_form->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!m_form->findChild<QPushButton *>(QStringLiteral("pbEnter")));
        QCOMPARE(enter()->text(), QStringLiteral("Вход"));
        QVERIFY(enter()->isDefault());
        QCOMPARE(password()->echoMode(), QLineEdit::Password);
        QCOMPARE(QApplication::focusWidget(), email());
        // Tab order: e-mail, password, enter, close.
        QCOMPARE(nextTabStop(email()), password());
        QCOMPARE(nextTabStop(password()), enter());
    }

    void fieldsComeFromTheSession()
    {
        m_velmora->session()->setLogin(QStringLiteral("anna@velmora.local"));
        m_velmora->session()->setPassword(QStringLiteral("secret"));
        LoginForm form(m_velmora.get());
        QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("lbEmail"))->text(), QStringLiteral("anna@velmora.local"));
        QCOMPARE(form.findChild<QLineEdit *>(QStringLiteral("lbPassword"))->text(), QStringLiteral("secret"));
    }

    void localChecks_data()
    {
        QTest::addColumn<QString>("emailText");
        QTest::addColumn<QString>("passwordText");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focused");
        QTest::newRow("both empty") << QString() << QString() << "Введите e-mail"
                                    << "lbEmail";
        QTest::newRow("password empty") << "a@b.c" << QString() << "Введите пароль"
                                        << "lbPassword";
        QTest::newRow("e-mail empty") << QString() << "x"
                                      << "Введите e-mail"
                                      << "lbEmail";
    }

    void localChecks()
    {
        QFETCH(QString, emailText);
        QFETCH(QString, passwordText);
        QFETCH(QString, message);
        QFETCH(QString, focused);
        email()->setText(emailText);
        password()->setText(passwordText);
        QSignalSpy errors(m_velmora.get(), &Velmora::error);
        QTest::mouseClick(enter(), Qt::LeftButton);
        QCOMPARE(info()->text(), message);
        QCOMPARE(QApplication::focusWidget()->objectName(), focused);
        QVERIFY(enter()->isEnabled());
        QVERIFY(!errors.wait(300)); // nothing was sent
    }

    // The service cannot be reached: the button comes back with a message.
    void networkFailureEnablesTheButtonAgain()
    {
        email()->setText(QStringLiteral(" почта с пробелом@velmora.local"));
        password()->setText(QString::fromUtf8("a&b=c+d%e", 9) + QChar(0) + QStringLiteral("f"));
        QSignalSpy errors(m_velmora.get(), &Velmora::error);
        QTest::keyClick(password(), Qt::Key_Return);
        QVERIFY(!enter()->isEnabled());
        QVERIFY(errors.wait(20000));
        QCOMPARE(info()->text(), QStringLiteral("Не удалось соединиться с сервером."));
        QVERIFY(enter()->isEnabled());
        QVERIFY(!m_velmora->session()->logged());
        QVERIFY(m_form->isVisible());
    }

    void errorMessages_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("0") << 0 << "Неверный логин или пароль";
        for (int code : {1, 2, 3})
            QTest::addRow("%d", code) << code << "Не удалось соединиться с сервером.";
        QTest::newRow("4") << 4 << "";
        QTest::newRow("5") << 5 << "Ошибка соединения с базой данных.";
        QTest::newRow("6") << 6 << "";
        QTest::newRow("-1") << -1 << "";
    }

    void errorMessages()
    {
        QFETCH(int, code);
        QFETCH(QString, message);
        email()->setText(QStringLiteral("a@b.c"));
        password()->setText(QStringLiteral("x"));
        QTest::mouseClick(enter(), Qt::LeftButton);
        QVERIFY(!enter()->isEnabled());
        emit m_velmora->error(code);
        QCOMPARE(info()->text(), message);
        QVERIFY(enter()->isEnabled());
    }

    void signedInAccepts()
    {
        QSignalSpy accepted(m_form.get(), &QDialog::accepted);
        emit m_velmora->loginOk();
        QCOMPARE(accepted.count(), 1);
        QVERIFY(!m_form->isVisible());
    }

    void closeAndEscReject_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("close button") << false;
        QTest::newRow("Esc while signing in") << true;
    }

    void closeAndEscReject()
    {
        QFETCH(bool, escape);
        QSignalSpy rejected(m_form.get(), &QDialog::rejected);
        if (escape) {
            email()->setText(QStringLiteral("a@b.c"));
            password()->setText(QStringLiteral("x"));
            QTest::mouseClick(enter(), Qt::LeftButton);
            m_form->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
            QTest::keyClick(m_form.get(), Qt::Key_Escape);
        } else {
            QTest::mouseClick(m_form->findChild<QPushButton *>(QStringLiteral("pbClose")), Qt::LeftButton);
        }
        QCOMPARE(rejected.count(), 1);
        QVERIFY(!m_form->isVisible());
    }

    void onlyTheTitleStripDrags()
    {
        const QPoint start = m_form->pos();
        auto *pane = m_form->findChild<QWidget *>(QStringLiteral("wLoginPane"));
        drag(pane, QPoint(5, 100), QPoint(45, 120));
        QCOMPARE(m_form->pos(), start);
        auto *top = m_form->findChild<QWidget *>(QStringLiteral("wTop"));
        drag(top, QPoint(20, 10), QPoint(60, 30));
        QCOMPARE(m_form->pos(), start + QPoint(40, 20));
    }

private:
    static QWidget *nextTabStop(QWidget *widget)
    {
        do
            widget = widget->nextInFocusChain();
        while (!(widget->focusPolicy() & Qt::TabFocus));
        return widget;
    }

    static void drag(QWidget *widget, const QPoint &from, const QPoint &to)
    {
        QMouseEvent press(QEvent::MouseButtonPress, from, widget->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &press);
        QMouseEvent move(QEvent::MouseMove, to, widget->mapToGlobal(from) + (to - from), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }

    QLineEdit *email() const { return m_form->findChild<QLineEdit *>(QStringLiteral("lbEmail")); }
    QLineEdit *password() const { return m_form->findChild<QLineEdit *>(QStringLiteral("lbPassword")); }
    QPushButton *enter() const { return m_form->findChild<QPushButton *>(QStringLiteral("pbVelmora")); }
    QLabel *info() const { return m_form->findChild<QLabel *>(QStringLiteral("lbInfo")); }

    std::unique_ptr<Velmora> m_velmora;
    std::unique_ptr<LoginForm> m_form;
};

QTEST_MAIN(TestLoginForm)
#include "TestLoginForm.moc"

#include "capture/ScreenCapture.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>
#include <QTest>

namespace {

/// A window filled with one colour.
class Patch : public QRasterWindow
{
public:
    explicit Patch(const QColor &colour)
        : m_colour(colour)
    {
        setFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(QRect(QPoint(), size()), m_colour); }

private:
    QColor m_colour;
};

} // namespace

// The grab under an X server of its own: Xvfb gives one screen; the
// two-screen case runs when VELMORA_TWO_SCREEN_DISPLAY names a server whose
// screens differ in size, the primary one right of the other.
class TestScreenCapture : public QObject
{
    Q_OBJECT

private slots:
    void everyScreenAtItsPlace()
    {
        const QList<QScreen *> screens = QGuiApplication::screens();
        const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
        if (qEnvironmentVariableIsSet("VELMORA_TWO_SCREENS")) {
            QCOMPARE(screens.size(), 2);
            QVERIFY(screens[0]->size() != screens[1]->size());
            QVERIFY(desktop.left() < QGuiApplication::primaryScreen()->geometry().left());
        }

        // One patch near the top-left corner of every screen, each its own colour.
        std::vector<std::unique_ptr<Patch>> patches;
        QList<QRect> places;
        for (int i = 0; i < screens.size(); ++i) {
            const QRect place(screens[i]->geometry().topLeft() + QPoint(300, 200), QSize(80, 60));
            patches.push_back(std::make_unique<Patch>(colour(i)));
            patches.back()->setScreen(screens[i]);
            patches.back()->setGeometry(place);
            patches.back()->show();
            QVERIFY(QTest::qWaitForWindowExposed(patches.back().get()));
            places << place.translated(-desktop.topLeft());
        }

        QImage image;
        QTRY_VERIFY_WITH_TIMEOUT((image = grabDesktop()).pixel(places.last().center()) == colour(screens.size() - 1),
                                 5000);
        QCOMPARE(image.size(), desktop.size());
        for (int i = 0; i < places.size(); ++i) {
            QCOMPARE(image.pixel(places[i].center()), colour(i));
            QVERIFY(image.pixel(places[i].topLeft() - QPoint(10, 10)) != colour(i));
        }
    }

private:
    static QRgb colour(int i) { return QColor::fromHsv(i * 120, 220, 200).rgb(); }
};

QTEST_MAIN(TestScreenCapture)
#include "TestScreenCapture.moc"

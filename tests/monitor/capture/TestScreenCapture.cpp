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

// The grab under an X server of its own (one screen: Xvfb cannot place
// several side by side).
class TestScreenCapture : public QObject
{
    Q_OBJECT

private slots:
    void wholeDesktopWithItsContent()
    {
        Patch patch(QColor(200, 30, 40));
        patch.setGeometry(300, 200, 80, 60);
        patch.show();
        QVERIFY(QTest::qWaitForWindowExposed(&patch));

        const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
        QImage image;
        QTRY_VERIFY_WITH_TIMEOUT((image = grabDesktop()).pixelColor(340, 230) == QColor(200, 30, 40), 5000);
        QCOMPARE(image.size(), desktop.size());
        QVERIFY(image.pixelColor(290, 190) != QColor(200, 30, 40));
    }
};

QTEST_MAIN(TestScreenCapture)
#include "TestScreenCapture.moc"

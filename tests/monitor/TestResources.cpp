#include "common/StyleSheet.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

namespace {

QStringList parseWarnings;

void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtWarningMsg && text.contains(QLatin1String("stylesheet"), Qt::CaseInsensitive))
        parseWarnings << text;
}

} // namespace

// The resource bundle holds every picture the code and the style sheet name,
// and the style sheet is one the toolkit accepts.
class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void everyResourcePathInUseExists()
    {
        const QRegularExpression path(QStringLiteral(R"(:/(?:images|icons|qss)/[A-Za-z0-9_./-]+\.(?:png|qss))"));
        QStringList missing;
        int found = 0;
        for (const QString folder : {"monitor", "updater", "common", "platform", "resources/qss"}) {
            QDirIterator it(QStringLiteral(VELMORA_SOURCE_DIR "/") + folder, {"*.cpp", "*.h", "*.ui", "*.qss"},
                            QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                QFile file(it.next());
                QVERIFY(file.open(QIODevice::ReadOnly));
                const QString text = QString::fromUtf8(file.readAll());
                for (auto match = path.globalMatch(text); match.hasNext();) {
                    const QString resource = match.next().captured();
                    ++found;
                    if (!QFile::exists(resource))
                        missing << resource + QStringLiteral(" (") + it.fileName() + QLatin1Char(')');
                }
            }
        }
        QVERIFY(found > 20);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    }

    void picturesLoad()
    {
        QDirIterator it(QStringLiteral(":/"), {"*.png"}, QDir::Files, QDirIterator::Subdirectories);
        int pictures = 0;
        while (it.hasNext()) {
            const QString name = it.next();
            QVERIFY2(!QImage(name).isNull(), qPrintable(name));
            ++pictures;
        }
        QVERIFY(pictures >= 69);
    }

    void styleSheetIsAcceptedByTheToolkit()
    {
        const QString sheet = StyleSheet::application();
        QVERIFY(sheet.contains(QStringLiteral("QPushButton#pbVelmora")));

        parseWarnings.clear();
        QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
        qApp->setStyleSheet(sheet);
        QPushButton button;
        button.setObjectName(QStringLiteral("pbVelmora"));
        button.show();
        QCoreApplication::processEvents();
        qInstallMessageHandler(previous);
        QVERIFY2(parseWarnings.isEmpty(), qPrintable(parseWarnings.join(QLatin1Char('\n'))));
        QCOMPARE(button.size(), QSize(73, 23));
        qApp->setStyleSheet(QString());
    }
};

QTEST_MAIN(TestResources)
#include "TestResources.moc"

#include "common/Clock.h"
#include "common/SettingsFile.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTime>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), qint64(content.size()));
}

/// A stored value as a settings file holds it, each stream byte written as
/// an octal escape of three digits.
QByteArray storedValue(const QByteArray &streamBytes)
{
    QByteArray text = "@Variant(";
    for (const char c : streamBytes)
        text += '\\' + QByteArray::number(uchar(c), 8).rightJustified(3, '0');
    return text + ')';
}

QByteArray streamOf(const QVariant &value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_0);
    out << value;
    return bytes;
}

/// \a bytes with the 32-bit number at \a offset replaced by \a value.
QByteArray withNumber(QByteArray bytes, int offset, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char(value >> (24 - 8 * i));
    return bytes;
}

QByteArray nested(int depth)
{
    QVariant value = 1;
    for (int i = 0; i < depth; ++i)
        value = QVariantList{value};
    return streamOf(value);
}

} // namespace

// Settings files are read only when a strict reader of our own finds every
// stored value whole; the rest is set aside.
class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_folder.isValid()); }
    void cleanup() { Clock::reset(); }

    // Whatever the settings writer writes, the reader accepts, and the
    // toolkit reads it back unchanged.
    void writtenValuesAreReadable_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("plain text") << QVariant(QStringLiteral("Velmora"));
        QTest::newRow("quotes, commas, semicolons, equals") << QVariant(QStringLiteral("a \"b\", c; d = e, \\f\\ "));
        QTest::newRow("control characters, NUL and digits after them") << QVariant(QString::fromUtf8("x\0001\x01"
                                                                                                     "9\t\n\r\x7f",
                                                                                                     9));
        QTest::newRow("Cyrillic and a character beyond the BMP")
            << QVariant(QStringLiteral("Сверстать форму входа \U0001F600"));
        QTest::newRow("a leading @") << QVariant(QStringLiteral("@Variant(\\0)"));
        QTest::newRow("a list of texts") << QVariant(QStringList{"a", "b, c", "@d", ""});
        QTest::newRow("a map of times") << QVariant(QVariantMap{{"101", QTime(1, 30)}, {"0", QTime(0, 0)}});
        QTest::newRow("lists of maps") << QVariant(
            QVariantList{QVariantMap{{"version", "1.1.1"}}, QVariantMap{{"files", QVariantList{1, 2.5, true}}}});
        QTest::newRow("bytes") << QVariant(QByteArray("\0\x80\xff)", 4));
        QTest::newRow("a date and a date-time")
            << QVariant(QVariantList{QDate(2026, 12, 11), QDateTime(QDate(2026, 12, 11), QTime(8, 30))});
        QTest::newRow("nothing") << QVariant();
    }

    void writtenValuesAreReadable()
    {
        QFETCH(QVariant, value);
        const QString path = m_folder.filePath(QStringLiteral("written.ini"));
        {
            QSettings settings(path, QSettings::IniFormat);
            settings.setValue(QStringLiteral("key"), value);
            settings.setValue(QStringLiteral("other key/with a slash"), 7);
        }
        QVERIFY2(SettingsFile::problem(path).isEmpty(), qPrintable(SettingsFile::problem(path)));
        QCOMPARE(QSettings(path, QSettings::IniFormat).value(QStringLiteral("key")), value);
        QFile::remove(path);
    }

    // Damage of every kind is found without building anything.
    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray list = streamOf(QVariantList{1, 2});
        const QByteArray map = streamOf(QVariantMap{{"a", QTime(1, 0)}});
        const QByteArray text = streamOf(QStringLiteral("abc"));
        QTest::newRow("a list of two billion elements")
            << "[General]\nk=" + storedValue(withNumber(list, 4, 0x7fffffff)) + '\n';
        QTest::newRow("a map of four billion members") << "k=" + storedValue(withNumber(map, 4, 0xfffffffe));
        QTest::newRow("a text longer than the file") << "k=" + storedValue(withNumber(text, 4, 1000));
        QTest::newRow("a value cut short") << "k=" + storedValue(map.left(map.size() - 3));
        QTest::newRow("bytes after the value") << "k=" + storedValue(map + "x");
        QTest::newRow("a type the programs never store") << "k=" + storedValue(streamOf(QUrl("http://x")));
        QTest::newRow("lists nested a hundred deep") << "k=" + storedValue(nested(100));
        QTest::newRow("a quote left open") << QByteArray("[General]\nk=\"abc\n");
        QTest::newRow("a dangling backslash") << QByteArray("k=abc\\");
        QTest::newRow("a line without a key") << QByteArray("[General]\nlogged=true\ngarbage\n");
        QTest::newRow("garbage bytes") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 18);
    }

    void damagedFiles()
    {
        QFETCH(QByteArray, content);
        const QString path = m_folder.filePath(QStringLiteral("damaged.ini"));
        writeFile(path, content);
        QVERIFY(!SettingsFile::problem(path).isEmpty());
    }

    void shallowNestingIsReadable()
    {
        const QString path = m_folder.filePath(QStringLiteral("nested.ini"));
        writeFile(path, "k=" + storedValue(nested(5)));
        QVERIFY(SettingsFile::problem(path).isEmpty());
    }

    // With a record type, every value must be that record.
    void recordFiles()
    {
        const QString path = m_folder.filePath(QStringLiteral("records.ini"));
        writeFile(path, "k=" + storedValue(streamOf(QStringLiteral("a text, not a record"))));
        QVERIFY(SettingsFile::problem(path).isEmpty());
        QVERIFY(!SettingsFile::problem(path, "QList<Task>").isEmpty());
        writeFile(path, "k=plain");
        QVERIFY(!SettingsFile::problem(path, "QList<Task>").isEmpty());
    }

    void missingAndEmptyFilesAreReadable()
    {
        QVERIFY(SettingsFile::problem(m_folder.filePath(QStringLiteral("missing.ini"))).isEmpty());
        const QString path = m_folder.filePath(QStringLiteral("empty.ini"));
        writeFile(path, QByteArray());
        QVERIFY(SettingsFile::problem(path).isEmpty());
    }

    // A damaged file (or a folder in its place) is moved aside, never
    // deleted, and the settings start empty and write a new file.
    void openSetsDamagedFilesAside_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("a damaged file") << false;
        QTest::newRow("a folder in the file's place") << true;
    }

    void openSetsDamagedFilesAside()
    {
        QFETCH(bool, folder);
        Clock::setNow(QDateTime(QDate(2026, 12, 11), QTime(8, 30, 5)));
        QTemporaryDir dataFolder;
        const QString path = dataFolder.filePath(QStringLiteral("session.ini"));
        const QByteArray damaged = "k=" + storedValue(withNumber(streamOf(QVariantList{1}), 4, 0x7fffffff));
        if (folder)
            QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        else
            writeFile(path, damaged);

        for (const QString &expected : {QStringLiteral("session.ini.damaged-11-12-2026-08-30-05"),
                                        QStringLiteral("session.ini.damaged-11-12-2026-08-30-05-1")}) {
            QString setAsideAs;
            std::unique_ptr<QSettings> settings = SettingsFile::open(path, QByteArray(), &setAsideAs);
            QCOMPARE(setAsideAs, dataFolder.filePath(expected));
            QVERIFY(settings->allKeys().isEmpty());
            settings->setValue(QStringLiteral("logged"), true);
            settings->sync();
            QCOMPARE(settings->status(), QSettings::NoError);
            if (folder)
                QVERIFY(QFileInfo(setAsideAs + QStringLiteral("/inside")).isDir());
            else
                QCOMPARE(readFile(setAsideAs), damaged);
            // Damaged again, within the same second: a second name.
            QVERIFY(QFile::remove(path));
            writeFile(path, damaged);
            folder = false;
        }
        QCOMPARE(SettingsFile::setAsideNotice(path, m_folder.filePath(QStringLiteral("session.ini.damaged-x"))),
                 QStringLiteral("Файл session.ini повреждён и отложен как session.ini.damaged-x, остальные данные "
                                "загружены"));
    }

    void aReadableFileIsOpenedAsItIs()
    {
        const QString path = m_folder.filePath(QStringLiteral("config.ini"));
        writeFile(path, "[General]\nlastLogin=user@example.com\n");
        QString setAsideAs;
        QCOMPARE(SettingsFile::open(path, QByteArray(), &setAsideAs)->value(QStringLiteral("lastLogin")).toString(),
                 QStringLiteral("user@example.com"));
        QVERIFY(setAsideAs.isEmpty());
    }

private:
    QTemporaryDir m_folder;
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "TestSettingsFile.moc"

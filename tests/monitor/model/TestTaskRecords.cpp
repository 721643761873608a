#include "model/Json.h"
#include "model/Task.h"
#include "model/TaskReader.h"
#include "model/TaskInfo.h"
#include "support/TaskRecords.h"

#include <QBuffer>
#include <QTest>

#include <sys/resource.h>

Q_DECLARE_METATYPE(QDataStream::Status)

namespace {

// The settings files store variants in this stream version.
constexpr QDataStream::Version SettingsVersion = QDataStream::Qt_4_0;

QByteArray variantBytes(const QVariant &value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(SettingsVersion);
    out << value;
    return bytes;
}

QVariant variantFrom(const QByteArray &bytes)
{
    QDataStream in(bytes);
    in.setVersion(SettingsVersion);
    QVariant value;
    in >> value;
    return value;
}

template<typename T>
QByteArray recordBytes(const T &record)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << record;
    return bytes;
}

/// Where the 32-bit count of the first list after \a typeName begins.
int countOffset(const QByteArray &bytes, const char *typeName)
{
    return bytes.indexOf(typeName) + int(qstrlen(typeName)) + 1;
}

QByteArray withCount(QByteArray bytes, int offset, quint32 count)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char((count >> (8 * (3 - i))) & 0xff);
    return bytes;
}

Task fullTask()
{
    return makeTask(QStringLiteral("101"), QStringLiteral("Сверстать форму"), "2026-12-24 18:30:00", "1",
                    "2026-12-09 09:15:07", -7);
}

Task fullTaskLike(const char *id, const char *title, const char *block, qint32 importance)
{
    return makeTask(QString::fromLatin1(id), QString::fromLatin1(title), "2026-12-24 18:30:00",
                    QString::fromLatin1(block), "2026-12-09 09:15:07", importance);
}

} // namespace

class TestTaskRecords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        registerTaskMetaTypes();
        QMetaType::registerEqualsComparator<Task>();
        QMetaType::registerEqualsComparator<QList<Task>>();
        QMetaType::registerEqualsComparator<TaskInfo>();
#ifndef __SANITIZE_ADDRESS__
        // A reader that trusts a damaged count tries to reserve gigabytes;
        // with this limit that fails loudly instead of swapping quietly.
        const rlimit limit{2048ull << 20, 2048ull << 20};
        QCOMPARE(setrlimit(RLIMIT_AS, &limit), 0);
#endif
    }

    // Through the variant stream, the way the settings files store records.
    void roundTrip_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("typeName");

        TaskInfo invalidPage = sampleTaskInfo();
        invalidPage.texts[0].page = QUrl(QStringLiteral("http://[::1"), QUrl::TolerantMode);
        QVERIFY(!invalidPage.texts[0].page.isValid());

        QTest::newRow("a default task") << QVariant::fromValue(Task()) << "Task";
        QTest::newRow("a filled task") << QVariant::fromValue(fullTask()) << "Task";
        QTest::newRow("an empty task list") << QVariant::fromValue(QList<Task>()) << "QList<Task>";
        QTest::newRow("a task list") << QVariant::fromValue(QList<Task>{fullTask(), Task(), pseudoTask()})
                                     << "QList<Task>";
        QTest::newRow("a default description") << QVariant::fromValue(TaskInfo()) << "TaskInfo";
        QTest::newRow("a filled description") << QVariant::fromValue(sampleTaskInfo()) << "TaskInfo";
        QTest::newRow("a text whose page is no valid URL") << QVariant::fromValue(invalidPage) << "TaskInfo";
    }

    void roundTrip()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, typeName);

        const QVariant read = variantFrom(variantBytes(value));
        QCOMPARE(QString::fromLatin1(read.typeName()), typeName);
        if (typeName == QLatin1String("TaskInfo")) {
            TaskInfo expected = value.value<TaskInfo>();
            for (TextTask &text : expected.texts) {
                if (!text.page.isValid())
                    text.page = QUrl(); // an invalid page is written as the empty URL
            }
            QVERIFY(read.value<TaskInfo>() == expected);
        } else {
            QCOMPARE(read, value);
        }
    }

    // The field order is the file format: compare with the fields written one
    // by one in that order.
    void streamLayout()
    {
        const Task task = fullTask();
        QByteArray expected;
        {
            QDataStream out(&expected, QIODevice::WriteOnly);
            out << task.id << task.title << task.deadline << task.block << task.last_comment << task.importance;
        }
        QCOMPARE(recordBytes(task), expected);

        TaskInfo info = sampleTaskInfo();
        info.files.clear();
        info.texts.clear();
        expected.clear();
        {
            QDataStream out(&expected, QIODevice::WriteOnly);
            out << info.id << info.title << info.deadline << info.text << info.executor_name << info.creator_name
                << info.auditor_name << quint32(0) << quint32(0);
        }
        QCOMPARE(recordBytes(info), expected);

        const Keyword keyword = sampleTaskInfo().texts.at(0).keywords.at(0);
        expected.clear();
        {
            QDataStream out(&expected, QIODevice::WriteOnly);
            out << keyword.id << keyword.keyword << keyword.count << keyword.count2;
        }
        QCOMPARE(recordBytes(keyword), expected);
    }

    // A page link that does not parse, stored by hand or by an older build,
    // or sent by the service, is no link: the same as the writer stores for it.
    void pageThatDoesNotParseIsNoLink()
    {
        const TextTask sample = sampleTaskInfo().texts.at(0);
        QByteArray stored;
        {
            QDataStream out(&stored, QIODevice::WriteOnly);
            out << sample.id << sample.text << sample.title << sample.min_count << QByteArray("http://[::1")
                << sample.task << quint32(0);
        }
        QDataStream in(stored);
        TextTask read;
        in >> read;
        QCOMPARE(in.status(), QDataStream::Ok);
        QCOMPARE(read.page, QUrl());
        QCOMPARE(read.title, sample.title);

        TaskReader reader;
        const TaskInfo info =
            reader.taskInfo(Json::parse(QStringLiteral("{\"texts\":[{\"page\":\"http://[::1\"}]}")).toMap());
        QCOMPARE(info.texts.size(), 1);
        QCOMPARE(info.texts.at(0).page, QUrl());
    }

    // A damaged value reads as an empty record, never a half-filled one, and
    // costs no memory in proportion to a bogus count.
    void damagedValue_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("asList");

        const QByteArray list = variantBytes(QVariant::fromValue(QList<Task>{fullTask(), fullTask()}));
        const QByteArray info = variantBytes(QVariant::fromValue(sampleTaskInfo()));
        const int filesCount = variantBytes(QVariant::fromValue(TaskInfo())).size() - 8;

        QTest::newRow("a task list cut in the middle of its second task") << list.left(list.size() - 20) << true;
        QTest::newRow("a task list with a count of two billion")
            << withCount(list, countOffset(list, "QList<Task>"), 2000000000u) << true;
        QTest::newRow("a task list with the largest count")
            << withCount(list, countOffset(list, "QList<Task>"), 0xfffffffeu) << true;
        QTest::newRow("a description where a task list belongs") << info << true;
        QTest::newRow("a plain string where a task list belongs") << variantBytes(QStringLiteral("abc")) << true;
        QTest::newRow("a description cut inside its keywords") << info.left(info.size() - 6) << false;
        QTest::newRow("a default description with two billion files")
            << withCount(variantBytes(QVariant::fromValue(TaskInfo())), filesCount, 2000000000u) << false;
        QTest::newRow("a task list where a description belongs") << list << false;
    }

    void damagedValue()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, asList);

        const QVariant read = variantFrom(bytes);
        if (asList)
            QVERIFY(read.value<QList<Task>>().isEmpty());
        else
            QVERIFY(read.value<TaskInfo>() == TaskInfo());
    }

    void fromJson_data()
    {
        QTest::addColumn<QString>("json");
        QTest::addColumn<Task>("expected");
        QTest::newRow("every field") << "{\"id\":\"7\",\"title\":\"T\",\"deadline\":\"2026-12-24 18:30:00\","
                                        "\"block\":\"1\",\"last_comment\":\"2026-12-09 09:15:07\",\"importance\":-7}"
                                     << fullTaskLike("7", "T", "1", -7);
        QTest::newRow("numbers read as text, importance as text read as a number")
            << "{\"id\":7,\"title\":12,\"block\":0,\"importance\":\"3\"}" << makeTask("7", "12", "", "0", "", 3);
        QTest::newRow("impossible and malformed date-times are invalid")
            << "{\"deadline\":\"2026-02-30 10:00:00\",\"last_comment\":\"20a6-12-24 18:30:00\"}" << Task();
        QTest::newRow("a date-time without seconds is invalid")
            << "{\"deadline\":\"2026-12-24 18:30\",\"last_comment\":\"2026-12-24T18:30:00\"}" << Task();
        QTest::newRow("missing keys and an empty deadline")
            << "{\"deadline\":\"\",\"last_comment\":\"soon\"}" << Task();
    }

    void fromJson()
    {
        QFETCH(QString, json);
        QFETCH(Task, expected);
        TaskReader reader;
        QVERIFY(reader.task(Json::parse(json).toMap()) == expected);
        reader.nextReply();
        QVERIFY(reader.task(Json::parse(json).toMap()) == expected); // the same date-times, remembered
        reader.nextReply();
        reader.nextReply();
        QVERIFY(reader.task(Json::parse(json).toMap()) == expected); // forgotten and read again
    }

    void pseudoTaskAndBlocking()
    {
        const Task pseudo = pseudoTask();
        QCOMPARE(pseudo.id, QStringLiteral("0"));
        QCOMPARE(pseudo.title, QStringLiteral("Прочие непоставленные задачи"));
        QVERIFY(!pseudo.deadline.isValid());

        for (const char *open : {"", "0"})
            QVERIFY(!isBlocking(makeTask(QStringLiteral("1"), {}, "", QString::fromLatin1(open))));
        for (const char *blocked : {"1", "yes", " "})
            QVERIFY(isBlocking(makeTask(QStringLiteral("1"), {}, "", QString::fromLatin1(blocked))));
    }
};

QTEST_GUILESS_MAIN(TestTaskRecords)
#include "TestTaskRecords.moc"

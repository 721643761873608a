#include "model/Json.h"

#include <QDate>
#include <QPoint>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

// Same type and same value, all the way down: QVariant's own == converts
// between types, which would hide a uint read as an int.
bool sameVariant(const QVariant &a, const QVariant &b)
{
    if (a.userType() != b.userType() || a.isValid() != b.isValid())
        return false;
    switch (a.userType()) {
    case QMetaType::QVariantMap: {
        const QVariantMap ma = a.toMap(), mb = b.toMap();
        if (ma.keys() != mb.keys())
            return false;
        for (auto it = ma.cbegin(); it != ma.cend(); ++it) {
            if (!sameVariant(it.value(), mb.value(it.key())))
                return false;
        }
        return true;
    }
    case QMetaType::QVariantList: {
        const QVariantList la = a.toList(), lb = b.toList();
        if (la.size() != lb.size())
            return false;
        for (int i = 0; i < la.size(); ++i) {
            if (!sameVariant(la.at(i), lb.at(i)))
                return false;
        }
        return true;
    }
    default:
        return a == b;
    }
}

QVariantMap map(std::initializer_list<std::pair<QString, QVariant>> members)
{
    QVariantMap result;
    for (const auto &member : members)
        result.insert(member.first, member.second);
    return result;
}

bool isEmptyResult(const QVariant &value)
{
    return !value.isValid() || (value.userType() == QMetaType::QVariantMap && value.toMap().isEmpty()) ||
           (value.userType() == QMetaType::QVariantList && value.toList().isEmpty());
}

} // namespace

class TestJson : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<bool>("ok");

        const QVariant invalid;
        const QVariantList noList;
        const QVariantMap noMap;

        QTest::newRow("a repeated key keeps its last value")
            << "{\"a\":1,\"a\":2}" << QVariant(map({{"a", 2u}})) << true;
        QTest::newRow("a leading comma is accepted") << "{,\"a\":1}" << QVariant(map({{"a", 1u}})) << true;
        QTest::newRow("two commas between members are accepted")
            << "{\"a\":1,,\"b\":2}" << QVariant(map({{"a", 1u}, {"b", 2u}})) << true;
        QTest::newRow("a trailing comma is accepted") << "{\"a\":1,}" << QVariant(map({{"a", 1u}})) << true;
        QTest::newRow("members need no comma between them")
            << "{\"a\":1 \"b\":2}" << QVariant(map({{"a", 1u}, {"b", 2u}})) << true;
        QTest::newRow("array elements need no comma") << "[1 2,]" << QVariant(QVariantList{1u, 2u}) << true;
        QTest::newRow("null inside an array is an invalid element")
            << "[null,true,false]" << QVariant(QVariantList{invalid, true, false}) << true;
        QTest::newRow("nested values") << " \t\r\n{\"a\":[{\"b\":\"c\"}],\"d\":{}}"
                                       << QVariant(map({{"a", QVariantList{map({{"b", "c"}})}}, {"d", noMap}})) << true;
        QTest::newRow("text after the first value is ignored") << "{} x" << QVariant(noMap) << true;

        QTest::newRow("-5 is an int") << "-5" << QVariant(-5) << true;
        QTest::newRow("the smallest int is an int")
            << "-2147483648" << QVariant(std::numeric_limits<int>::min()) << true;
        QTest::newRow("below the smallest int is a qlonglong")
            << "-2147483649" << QVariant(qlonglong(-2147483649LL)) << true;
        QTest::newRow("-9999999999 is a qlonglong") << "-9999999999" << QVariant(qlonglong(-9999999999LL)) << true;
        QTest::newRow("4294967295 is a uint") << "4294967295" << QVariant(4294967295u) << true;
        QTest::newRow("4294967296 is a qulonglong") << "4294967296" << QVariant(qulonglong(4294967296ULL)) << true;
        QTest::newRow("the largest qulonglong")
            << "18446744073709551615" << QVariant(std::numeric_limits<qulonglong>::max()) << true;
        QTest::newRow("beyond qulonglong is the text")
            << "18446744073709551616" << QVariant("18446744073709551616") << true;
        QTest::newRow("a huge negative number is the text")
            << "-99999999999999999999999" << QVariant("-99999999999999999999999") << true;
        QTest::newRow("1e5 without a point is the text") << "1e5" << QVariant("1e5") << true;
        QTest::newRow("1-2 is the text") << "[1-2]" << QVariant(QVariantList{"1-2"}) << true;
        QTest::newRow("a lone minus is the text") << "-" << QVariant("-") << true;
        QTest::newRow("2.50 is a double") << "2.50" << QVariant(2.5) << true;
        QTest::newRow("1.5e3 is the double 1500") << "1.5e3" << QVariant(1500.0) << true;
        QTest::newRow("a malformed number with a point is 0") << "1.2.3" << QVariant(0.0) << true;

        QTest::newRow("known escapes") << "\"a\\/b\\\\c\\\"d\\b\\f\\n\\r\\t\"" << QVariant("a/b\\c\"d\b\f\n\r\t")
                                       << true;
        QTest::newRow("an unknown escape is dropped") << "\"\\u0041\\q\"" << QVariant("A") << true;
        QTest::newRow("a unicode escape is one code unit") << "\"\\u00e9\\u00C9\"" << QVariant("éÉ") << true;
        QTest::newRow("a non-hex unicode escape is a zero character")
            << "\"a\\uzz12b\"" << QVariant(QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b"))) << true;
        QTest::newRow("a lone surrogate is kept as it is") << "\"\\ud800\"" << QVariant(QString(QChar(0xd800))) << true;
        QTest::newRow("a zero character inside a string is kept")
            << QString(QStringLiteral("\"a") + QChar(0) + QStringLiteral("b\""))
            << QVariant(QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b"))) << true;
        QTest::newRow("non-ASCII text passes unchanged") << "\"Задача №1\"" << QVariant("Задача №1") << true;

        QTest::newRow("a null text is an invalid value without error") << QString() << invalid << true;
        QTest::newRow("an empty text is an error") << "" << invalid << false;
        QTest::newRow("nul is an error") << "nul" << invalid << false;
        QTest::newRow("tru is an error") << "tru" << invalid << false;
        QTest::newRow("a form feed is not whitespace") << "\f1" << invalid << false;
        QTest::newRow("a closing bracket alone is an error") << "]" << invalid << false;
        QTest::newRow("an unterminated string is an error") << "\"abc" << invalid << false;
        QTest::newRow("a truncated unicode escape is an error") << "\"\\u00" << invalid << false;
        QTest::newRow("a backslash at the end is an error") << "\"abc\\" << invalid << false;
        QTest::newRow("an unclosed array is empty") << "[1," << QVariant(noList) << false;
        QTest::newRow("a missing value empties the object") << "{\"a\":}" << QVariant(noMap) << false;
        QTest::newRow("a missing colon empties the object") << "{\"a\" 1}" << QVariant(noMap) << false;
        QTest::newRow("an error deep inside empties every level") << "[1,{\"a\":[}]" << QVariant(noList) << false;
        QTest::newRow("a bare word inside an object is an error") << "{a:1}" << QVariant(noMap) << false;
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QVariant, expected);
        QFETCH(bool, ok);

        bool parsedOk = !ok;
        const QVariant parsed = Json::parse(text, parsedOk);
        QCOMPARE(parsedOk, ok);
        QVERIFY2(sameVariant(parsed, expected),
                 qPrintable(QStringLiteral("got %1 (%2)").arg(Json::serializeString(parsed), parsed.typeName())));
    }

    void nesting_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("ok");
        QTest::newRow("the deepest allowed nesting") << Json::maxDepth << true;
        QTest::newRow("one level deeper is an error") << Json::maxDepth + 1 << false;
        QTest::newRow("a few hundred thousand brackets are an error, not a crash") << 300000 << false;
    }

    void nesting()
    {
        QFETCH(int, depth);
        QFETCH(bool, ok);
        for (const QString &open : {QStringLiteral("["), QStringLiteral("{\"k\":")}) {
            const bool isArray = open == QLatin1String("[");
            const QString text = open.repeated(depth) + (isArray ? QString() : QStringLiteral("null")) +
                                 (isArray ? QStringLiteral("]") : QStringLiteral("}")).repeated(depth);
            bool parsedOk = !ok;
            const QVariant parsed = Json::parse(text, parsedOk);
            QCOMPARE(parsedOk, ok);
            if (ok)
                QCOMPARE(Json::serializeString(parsed), text);
            else
                QVERIFY(isEmptyResult(parsed));
        }
    }

    void serialize_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("map members in key order, one line")
            << QVariant(map({{"b", 1.0}, {"a", "x\ny"}})) << QByteArray("{\"a\":\"x\\ny\",\"b\":1.0}");
        QTest::newRow("a hash") << QVariant(QVariantHash{{"k", 1}}) << QByteArray("{\"k\":1}");
        QTest::newRow("an empty list") << QVariant(QVariantList()) << QByteArray("[]");
        QTest::newRow("an empty map") << QVariant(QVariantMap()) << QByteArray("{}");
        QTest::newRow("a string list") << QVariant(QStringList{"a", "b"}) << QByteArray("[\"a\",\"b\"]");
        QTest::newRow("null, true and false")
            << QVariant(QVariantList{QVariant(), true, false}) << QByteArray("[null,true,false]");
        QTest::newRow("0.1") << QVariant(0.1) << QByteArray("0.1");
        QTest::newRow("5.0 keeps its point") << QVariant(5.0) << QByteArray("5.0");
        // The reader takes no exponents: what "%g" writes with one is written
        // in plain notation, so that it reads back as the same double.
        QTest::newRow("100000000.0 without an exponent") << QVariant(100000000.0) << QByteArray("100000000.0");
        QTest::newRow("six significant digits") << QVariant(0.1234567) << QByteArray("0.123457");
        QTest::newRow("a large one keeps its whole part") << QVariant(1234567.0) << QByteArray("1234567.0");
        QTest::newRow("a small double without an exponent") << QVariant(0.00001) << QByteArray("0.00001");
        QTest::newRow("a tiny one keeps its digits") << QVariant(-1.5e-10) << QByteArray("-0.00000000015");
        QTest::newRow("a negative double") << QVariant(-0.5) << QByteArray("-0.5");
        QTest::newRow("integers of every width")
            << QVariant(QVariantList{-3, 4294967295u, qlonglong(-9999999999LL), std::numeric_limits<qulonglong>::max()})
            << QByteArray("[-3,4294967295,-9999999999,18446744073709551615]");
        QTest::newRow("escaped characters")
            << QVariant("\\ \" / \b\f\n\r\t") << QByteArray("\"\\\\ \\\" / \\b\\f\\n\\r\\t\"");
        QTest::newRow("other control characters as \\u escapes, NUL too")
            << QVariant(QString::fromUtf8("a\0b\x01\x1f", 5)) << QByteArray("\"a\\u0000b\\u0001\\u001f\"");
        QTest::newRow("non-ASCII characters are written as they are")
            << QVariant(QStringLiteral("é\U0001F600")) << QByteArray("\"\xc3\xa9\xf0\x9f\x98\x80\"");
        QTest::newRow("a lone surrogate, which has no UTF-8 form, as its \\u escape")
            << QVariant(QString(QChar(0xd800)) + QLatin1Char('a') + QChar(0xdfff)) << QByteArray("\"\\ud800a\\udfff\"");
        QTest::newRow("a byte array is text") << QVariant(QByteArray("a\"b")) << QByteArray("\"a\\\"b\"");
        QTest::newRow("a date in its text form") << QVariant(QDate(2026, 12, 10)) << QByteArray("\"Thu Dec 10 2026\"");

        QTest::newRow("a value without a JSON form fails the whole result")
            << QVariant(QVariantList{1, QPoint(1, 2)}) << QByteArray();
        QTest::newRow("not a number fails") << QVariant(std::nan("")) << QByteArray();
        QTest::newRow("infinity inside a map fails")
            << QVariant(map({{"a", std::numeric_limits<double>::infinity()}})) << QByteArray();
    }

    void serialize()
    {
        QFETCH(QVariant, value);
        QFETCH(QByteArray, expected);

        bool ok = expected.isNull();
        const QByteArray written = Json::serialize(value, ok);
        QCOMPARE(ok, !expected.isNull());
        QCOMPARE(written, expected);
        QCOMPARE(written.isNull(), expected.isNull());

        const QString asString = Json::serializeString(value, ok);
        QCOMPARE(asString, QString::fromUtf8(expected));
        QCOMPARE(asString.isNull(), expected.isNull());
    }

    // Random and mutated texts: never a crash, an error always gives an empty
    // result, and whatever parses writes and reads back to a fixed point.
    void arbitraryInput()
    {
        const QString sample = QStringLiteral("[{\"id\":\"12\",\"name\":\"Команда\",\"tasks\":[{\"id\":\"1\",\"title\":"
                                              "\"a\\\"b\\u0041\",\"deadline\":\"2026-12-10 10:00:00\","
                                              "\"block\":\"0\",\"importance\":-3,\"weight\":2.5e1,\"big\":"
                                              "18446744073709551616,\"n\":null,\"t\":true}]}, [], {}]");
        const QString alphabet = QStringLiteral("{}[]:,\"\\ \t\nu0123456789abcdefABCDEF.eE+-truefalsnй\x01");
        QRandomGenerator random(20261210);
        for (int round = 0; round < 6000; ++round) {
            QString text;
            if (round % 2 == 0) {
                text = sample;
                const int edits = 1 + random.bounded(6);
                for (int e = 0; e < edits && !text.isEmpty(); ++e) {
                    const int at = random.bounded(text.size());
                    switch (random.bounded(4)) {
                    case 0:
                        text.remove(at, 1 + random.bounded(3));
                        break;
                    case 1:
                        text.insert(at, alphabet.at(random.bounded(alphabet.size())));
                        break;
                    case 2:
                        text[at] = alphabet.at(random.bounded(alphabet.size()));
                        break;
                    default:
                        text.truncate(at);
                    }
                }
            } else {
                const int length = random.bounded(40);
                for (int i = 0; i < length; ++i)
                    text.append(alphabet.at(random.bounded(alphabet.size())));
            }

            bool ok = false;
            const QVariant parsed = Json::parse(text, ok);
            if (!ok) {
                QVERIFY2(isEmptyResult(parsed), qPrintable(text));
                continue;
            }
            bool written = false;
            const QByteArray once = Json::serialize(Json::parse(Json::serializeString(parsed, written)), written);
            QVERIFY2(written, qPrintable(text));
            const QByteArray twice = Json::serialize(Json::parse(QString::fromUtf8(once)));
            QVERIFY2(once == twice, qPrintable(text));
        }
    }
};

QTEST_GUILESS_MAIN(TestJson)
#include "TestJson.moc"

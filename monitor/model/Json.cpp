#include "model/Json.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>

#include <cmath>
#include <limits>

namespace Json {
namespace {

enum class Token
{
    None,
    ObjectOpen,
    ObjectClose,
    ArrayOpen,
    ArrayClose,
    Colon,
    Comma,
    String,
    Number,
    True,
    False,
    Null
};

bool isWhitespace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

bool isNumberChar(QChar c)
{
    const ushort u = c.unicode();
    return (u >= '0' && u <= '9') || u == '+' || u == '-' || u == '.' || u == 'e' || u == 'E';
}

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

/// Reads one value with a cursor over the text. Every rule returns at once
/// after a syntax error, so the error travels outwards as empty results.
class Reader
{
public:
    explicit Reader(const QString &text)
        : m_text(text)
        , m_data(text.constData())
        , m_size(text.size())
    {}

    bool ok() const { return m_ok; }

    QVariant value(int depth)
    {
        switch (peek()) {
        case Token::ObjectOpen:
            return object(depth + 1);
        case Token::ArrayOpen:
            return array(depth + 1);
        case Token::String:
            return string();
        case Token::Number:
            return number();
        case Token::True:
            scan();
            return true;
        case Token::False:
            scan();
            return false;
        case Token::Null:
            scan();
            return QVariant();
        default:
            return fail();
        }
    }

private:
    QVariant fail()
    {
        m_ok = false;
        return QVariant();
    }

    void skipWhitespace()
    {
        while (m_pos < m_size && isWhitespace(m_data[m_pos]))
            ++m_pos;
    }

    bool startsWith(QLatin1String word) const
    {
        return m_size - m_pos >= word.size() && QStringView(m_data + m_pos, word.size()) == word;
    }

    /// Classifies the next token and moves the cursor past it.
    Token scan()
    {
        skipWhitespace();
        if (m_pos >= m_size)
            return Token::None;
        const ushort c = m_data[m_pos].unicode();
        Token token = Token::None;
        int length = 1;
        switch (c) {
        case '{':
            token = Token::ObjectOpen;
            break;
        case '}':
            token = Token::ObjectClose;
            break;
        case '[':
            token = Token::ArrayOpen;
            break;
        case ']':
            token = Token::ArrayClose;
            break;
        case ':':
            token = Token::Colon;
            break;
        case ',':
            token = Token::Comma;
            break;
        case '"':
            token = Token::String;
            break;
        case 't':
        case 'f':
        case 'n': {
            static const QLatin1String words[] = {QLatin1String("true"), QLatin1String("false"), QLatin1String("null")};
            const int index = c == 't' ? 0 : c == 'f' ? 1 : 2;
            if (!startsWith(words[index]))
                return Token::None;
            token = index == 0 ? Token::True : index == 1 ? Token::False : Token::Null;
            length = words[index].size();
            break;
        }
        default:
            if (c == '-' || (c >= '0' && c <= '9'))
                token = Token::Number;
            else
                return Token::None;
        }
        m_pos += length;
        return token;
    }

    Token peek()
    {
        const int saved = m_pos;
        const Token token = scan();
        m_pos = saved;
        return token;
    }

    QVariant object(int depth)
    {
        if (depth > maxDepth) {
            fail();
            return QVariantMap();
        }
        scan();
        QVariantMap map;
        for (;;) {
            const Token token = peek();
            if (token == Token::None) {
                fail();
                return QVariantMap();
            }
            if (token == Token::Comma) {
                scan();
                continue;
            }
            if (token == Token::ObjectClose) {
                scan();
                return map;
            }
            // Whatever the token was, the key is read by the string rule.
            const QString key = string().toString();
            if (!m_ok)
                return QVariantMap();
            if (scan() != Token::Colon) {
                fail();
                return QVariantMap();
            }
            QVariant member = value(depth);
            if (!m_ok)
                return QVariantMap();
            map.insert(key, member);
        }
    }

    QVariant array(int depth)
    {
        if (depth > maxDepth) {
            fail();
            return QVariantList();
        }
        scan();
        QVariantList list;
        for (;;) {
            const Token token = peek();
            if (token == Token::None) {
                fail();
                return QVariantList();
            }
            if (token == Token::Comma) {
                scan();
                continue;
            }
            if (token == Token::ArrayClose) {
                scan();
                return list;
            }
            QVariant element = value(depth);
            if (!m_ok)
                return QVariantList();
            list.append(element);
        }
    }

    QVariant string()
    {
        skipWhitespace();
        ++m_pos; // the opening quote, or whatever stands in its place
        int runStart = m_pos;
        QString result;
        while (m_pos < m_size) {
            const ushort c = m_data[m_pos].unicode();
            if (c == '"') {
                if (result.isNull())
                    result = shared(m_data + runStart, m_pos - runStart);
                else
                    result.append(m_data + runStart, m_pos - runStart);
                ++m_pos;
                return result;
            }
            if (c != '\\') {
                ++m_pos;
                continue;
            }
            result.append(m_data + runStart, m_pos - runStart);
            if (m_pos + 1 >= m_size)
                return fail();
            const ushort escape = m_data[m_pos + 1].unicode();
            m_pos += 2;
            switch (escape) {
            case '"':
            case '/':
            case '\\':
                result.append(QChar(escape));
                break;
            case 'b':
                result.append(QChar(8));
                break;
            case 'f':
                result.append(QChar(12));
                break;
            case 'n':
                result.append(QChar(10));
                break;
            case 'r':
                result.append(QChar(13));
                break;
            case 't':
                result.append(QChar(9));
                break;
            case 'u':
                if (m_size - m_pos < 4)
                    return fail();
                result.append(QChar(hexUnit(m_pos)));
                m_pos += 4;
                break;
            default:
                break; // an unknown escape is dropped with its backslash
            }
            runStart = m_pos;
        }
        return fail();
    }

    /// A string of the characters at \a data. Keys and short values repeat
    /// throughout a reply (every task has an "id", many share a deadline),
    /// so recent ones are kept and shared instead of allocated again.
    QString shared(const QChar *data, int length)
    {
        if (length == 0)
            return QStringLiteral("");
        if (length > MaxSharedLength)
            return QString(data, length);
        const QStringView text(data, length);
        QString &slot = m_recent[qHash(text) % RecentSlots];
        if (slot.size() != length || QStringView(slot) != text)
            slot = text.toString();
        return slot;
    }

    /// The four characters at \a at as a hexadecimal code unit; 0 when any of
    /// them is not a hex digit.
    ushort hexUnit(int at) const
    {
        ushort unit = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = hexDigit(m_data[at + i]);
            if (digit < 0)
                return 0;
            unit = static_cast<ushort>(unit * 16 + digit);
        }
        return unit;
    }

    QVariant number()
    {
        skipWhitespace();
        const int start = m_pos;
        while (m_pos < m_size && isNumberChar(m_data[m_pos]))
            ++m_pos;
        const QStringRef run(&m_text, start, m_pos - start);

        if (run.contains(QLatin1Char('.')))
            return run.toDouble(); // 0 when the run does not convert

        const bool negative = run.startsWith(QLatin1Char('-'));
        QVariant fast;
        if (plainInteger(run, negative, fast))
            return fast;

        bool converted = false;
        if (negative) {
            const int asInt = run.toInt(&converted);
            if (converted)
                return asInt;
            const qlonglong asLong = run.toLongLong(&converted);
            if (converted)
                return asLong;
        } else {
            const uint asUInt = run.toUInt(&converted);
            if (converted)
                return asUInt;
            const qulonglong asULong = run.toULongLong(&converted);
            if (converted)
                return asULong;
        }
        return run.toString();
    }

    /// The common case without the locale machinery: up to 18 plain digits,
    /// with a leading "-" when \a negative. Gives the same type and value as
    /// the general conversions.
    static bool plainInteger(const QStringRef &run, bool negative, QVariant &result)
    {
        const int first = negative ? 1 : 0;
        const int digits = run.size() - first;
        if (digits < 1 || digits > 18)
            return false;
        quint64 magnitude = 0;
        for (int i = first; i < run.size(); ++i) {
            const ushort u = run.at(i).unicode();
            if (u < '0' || u > '9')
                return false;
            magnitude = magnitude * 10 + (u - '0');
        }
        if (negative) {
            const qint64 value = -static_cast<qint64>(magnitude);
            if (value >= std::numeric_limits<int>::min())
                result = static_cast<int>(value);
            else
                result = static_cast<qlonglong>(value);
        } else if (magnitude <= std::numeric_limits<uint>::max()) {
            result = static_cast<uint>(magnitude);
        } else {
            result = static_cast<qulonglong>(magnitude);
        }
        return true;
    }

    static constexpr int MaxSharedLength = 32;
    static constexpr int RecentSlots = 256;

    const QString &m_text;
    const QChar *m_data;
    const int m_size;
    int m_pos = 0;
    bool m_ok = true;
    QString m_recent[RecentSlots];
};

const char HexDigits[] = "0123456789abcdef";

void appendUnitEscape(QByteArray &out, ushort unit)
{
    out.append("\\u");
    for (int shift = 12; shift >= 0; shift -= 4)
        out.append(HexDigits[(unit >> shift) & 0xf]);
}

/// Appends \a text, which holds no lone surrogate, as escaped UTF-8.
void appendEscaped(QByteArray &out, QStringView text)
{
    // Every character the writer escapes is ASCII, and UTF-8 never uses ASCII
    // bytes inside a multi-byte sequence, so escaping the encoded bytes is
    // the same as escaping the characters.
    const QByteArray utf8 = text.toUtf8();
    out.reserve(out.size() + utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '\\':
            out.append("\\\\");
            break;
        case '"':
            out.append("\\\"");
            break;
        case '\b':
            out.append("\\b");
            break;
        case '\f':
            out.append("\\f");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default:
            if (uchar(c) < 0x20)
                appendUnitEscape(out, uchar(c)); // every other control character, NUL included, as JSON requires
            else
                out.append(c);
        }
    }
}

void appendQuoted(QByteArray &out, const QString &text)
{
    // A "\ud800" escape reads as a lone surrogate, which has no UTF-8 form
    // (the encoder would write "?"); it is written back as the same escape.
    out.append('"');
    const QChar *data = text.constData();
    const int size = text.size();
    int runStart = 0;
    for (int i = 0; i < size; ++i) {
        if (!data[i].isSurrogate())
            continue;
        if (data[i].isHighSurrogate() && i + 1 < size && data[i + 1].isLowSurrogate()) {
            ++i; // a pair: one character outside the basic plane
            continue;
        }
        appendEscaped(out, QStringView(data + runStart, i - runStart));
        appendUnitEscape(out, data[i].unicode());
        runStart = i + 1;
    }
    appendEscaped(out, QStringView(data + runStart, size - runStart));
    out.append('"');
}

template<typename Map>
bool writeMap(QByteArray &out, const Map &map);

bool write(QByteArray &out, const QVariant &value)
{
    const int type = value.userType();
    if (!value.isValid()) {
        out.append("null");
        return true;
    }
    if (type == QMetaType::QVariantList || type == QMetaType::QStringList) {
        const QVariantList list = value.toList();
        out.append('[');
        for (int i = 0; i < list.size(); ++i) {
            if (i > 0)
                out.append(',');
            if (!write(out, list.at(i)))
                return false;
        }
        out.append(']');
        return true;
    }
    if (type == QMetaType::QVariantMap)
        return writeMap(out, value.toMap());
    if (type == QMetaType::QVariantHash)
        return writeMap(out, value.toHash());
    if (type == QMetaType::QString || type == QMetaType::QByteArray) {
        appendQuoted(out, value.toString());
        return true;
    }
    if (type == QMetaType::Double || type == QMetaType::Float) {
        const double number = value.toDouble();
        if (!std::isfinite(number))
            return false; // JSON has no form for these
        QByteArray text = QByteArray::number(number, 'g', 6);
        const int exponent = text.indexOf('e');
        if (exponent >= 0) {
            // The reader takes no exponents ("1e-05" would come back as a
            // text): plain decimal notation, to the same last digit.
            const int power = text.mid(exponent + 1).toInt();
            text = QByteArray::number(number, 'f', qMax(0, 5 - power));
            if (text.contains('.')) {
                while (text.endsWith('0'))
                    text.chop(1);
                if (text.endsWith('.'))
                    text.chop(1);
            }
        }
        if (!text.contains('.'))
            text.append(".0");
        out.append(text);
        return true;
    }
    if (type == QMetaType::Bool) {
        out.append(value.toBool() ? "true" : "false");
        return true;
    }
    if (type == QMetaType::ULongLong) {
        out.append(QByteArray::number(value.toULongLong()));
        return true;
    }
    if (value.canConvert<qlonglong>()) {
        out.append(QByteArray::number(value.toLongLong()));
        return true;
    }
    if (type == QMetaType::QDateTime) {
        appendQuoted(out, value.toDateTime().toString(Qt::TextDate));
        return true;
    }
    if (type == QMetaType::QDate) {
        appendQuoted(out, value.toDate().toString(Qt::TextDate));
        return true;
    }
    if (value.canConvert<QString>()) {
        appendQuoted(out, value.toString());
        return true;
    }
    return false;
}

template<typename Map>
bool writeMap(QByteArray &out, const Map &map)
{
    out.append('{');
    bool first = true;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (!first)
            out.append(',');
        first = false;
        appendQuoted(out, it.key());
        out.append(':');
        if (!write(out, it.value()))
            return false;
    }
    out.append('}');
    return true;
}

} // namespace

QVariant parse(const QString &text, bool &ok)
{
    ok = true;
    if (text.isNull())
        return QVariant();
    Reader reader(text);
    QVariant result = reader.value(0);
    ok = reader.ok();
    return result;
}

QVariant parse(const QString &text)
{
    bool ok = true;
    return parse(text, ok);
}

QVariant parseUtf8(const QByteArray &utf8, bool &ok)
{
    // QString::fromUtf8(QByteArray) would stop at the first zero byte.
    return parse(utf8.isNull() ? QString() : QString::fromUtf8(utf8.constData(), utf8.size()), ok);
}

QVariant parseUtf8(const QByteArray &utf8)
{
    bool ok = true;
    return parseUtf8(utf8, ok);
}

QVariant parseUtf8As(const QByteArray &utf8, QMetaType::Type shape)
{
    bool ok = true;
    const QVariant value = parseUtf8(utf8, ok);
    return ok && value.userType() == int(shape) ? value : QVariant();
}

QByteArray serialize(const QVariant &value, bool &ok)
{
    QByteArray out;
    ok = write(out, value);
    return ok ? out : QByteArray();
}

QByteArray serialize(const QVariant &value)
{
    bool ok = true;
    return serialize(value, ok);
}

QString serializeString(const QVariant &value, bool &ok)
{
    const QByteArray bytes = serialize(value, ok);
    return ok ? QString::fromUtf8(bytes.constData(), bytes.size()) : QString();
}

QString serializeString(const QVariant &value)
{
    bool ok = true;
    return serializeString(value, ok);
}

} // namespace Json

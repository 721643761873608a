#include "common/SettingsFile.h"

#include "common/Clock.h"

#include <QBuffer>
#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaType>
#include <QStringList>

namespace {

// How the settings writer stores a value that is neither text nor a number:
// "@Variant(" + the bytes of the value in the data stream's Qt 4.0 form, each
// byte one character + ")".
const QString variantPrefix = QStringLiteral("@Variant(");

// Type ids as the Qt 4.0 stream form writes them.
enum StreamType : quint32
{
    Invalid = 0,
    Bool = 1,
    Int = 2,
    UInt = 3,
    LongLong = 4,
    ULongLong = 5,
    Double = 6,
    Char = 7,
    Map = 8,
    List = 9,
    String = 10,
    StringList = 11,
    ByteArray = 12,
    Date = 14,
    Time = 15,
    DateTime = 16,
    Hash = 28,
    User = 127,
};

constexpr quint32 NullLength = 0xffffffff;
// Lists in lists in maps: what the programs store is three levels deep.
constexpr int DepthLimit = 16;

/// Walks one stored value without building it: every count must fit the
/// bytes that follow, so nothing is reserved for elements that are not there.
class StoredValue
{
public:
    StoredValue(const QByteArray &bytes, const QByteArray &recordType)
        : m_bytes(bytes)
        , m_recordType(recordType)
    {
        m_buffer.setData(m_bytes);
        m_buffer.open(QIODevice::ReadOnly);
        m_in.setDevice(&m_buffer);
        m_in.setVersion(QDataStream::Qt_4_0);
    }

    /// Whether the bytes hold exactly one value followed by the closing ")".
    bool isReadable()
    {
        if (!variant(0, true))
            return false;
        return remaining() == 1 && m_bytes.endsWith(')');
    }

private:
    qint64 remaining() const { return m_bytes.size() - m_buffer.pos(); }

    bool number(quint32 &value)
    {
        if (remaining() < 4)
            return false;
        m_in >> value;
        return true;
    }

    bool skip(qint64 size)
    {
        if (size < 0 || size > remaining())
            return false;
        return m_buffer.seek(m_buffer.pos() + size);
    }

    /// A count of elements of at least \a smallest bytes each.
    bool count(quint32 &value, int smallest) { return number(value) && qint64(value) * smallest <= remaining(); }

    bool bytes(bool evenLength)
    {
        quint32 length = 0;
        if (!number(length))
            return false;
        if (length == NullLength)
            return true;
        return (!evenLength || length % 2 == 0) && skip(length);
    }

    bool string() { return bytes(true); }

    bool record()
    {
        quint32 length = 0;
        if (!number(length) || length > 256 || qint64(length) > remaining())
            return false;
        QByteArray name(int(length), Qt::Uninitialized);
        m_in.readRawData(name.data(), int(length));
        if (name.endsWith('\0'))
            name.chop(1);
        if (m_recordType.isEmpty() || name != m_recordType)
            return false;
        const int type = QMetaType::type(name.constData());
        if (type == QMetaType::UnknownType)
            return false;
        // The record's own reader: it reserves nothing and stops at the
        // first field that is not there.
        void *value = QMetaType::create(type);
        const bool loaded = QMetaType::load(m_in, type, value);
        QMetaType::destroy(type, value);
        return loaded && m_in.status() == QDataStream::Ok;
    }

    bool variant(int depth, bool topLevel = false)
    {
        quint32 type = 0;
        if (depth > DepthLimit || !number(type))
            return false;
        if (!m_recordType.isEmpty() && topLevel != (type == User))
            return false;
        quint32 elements = 0;
        switch (type) {
        case Invalid:
            return string();
        case Bool:
            return skip(1);
        case Char:
            return skip(2);
        case Int:
        case UInt:
        case Date:
        case Time:
            return skip(4);
        case LongLong:
        case ULongLong:
        case Double:
            return skip(8);
        case DateTime:
            return skip(9);
        case String:
            return string();
        case ByteArray:
            return bytes(false);
        case StringList:
            if (!count(elements, 4))
                return false;
            for (quint32 i = 0; i < elements; ++i) {
                if (!string())
                    return false;
            }
            return true;
        case List:
            if (!count(elements, 4))
                return false;
            for (quint32 i = 0; i < elements; ++i) {
                if (!variant(depth + 1))
                    return false;
            }
            return true;
        case Map:
        case Hash:
            if (!count(elements, 8))
                return false;
            for (quint32 i = 0; i < elements; ++i) {
                if (!string() || !variant(depth + 1))
                    return false;
            }
            return true;
        case User:
            return record();
        default:
            return false;
        }
    }

    const QByteArray &m_bytes;
    const QByteArray m_recordType;
    QBuffer m_buffer;
    QDataStream m_in;
};

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

void chopBlanks(QString &text)
{
    while (text.endsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char('\t')))
        text.chop(1);
}

/// The texts of one INI value as the settings reader makes them: quotes
/// group, backslashes escape, unquoted commas make a list. False for a value
/// the settings writer would never write in a way that reads ambiguously
/// (an unclosed quote, a dangling backslash, a comment mark).
bool valueTexts(const QByteArray &value, QStringList &texts)
{
    static const char simpleEscapes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                            {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                            {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    QString current;
    bool quoted = false;
    bool currentWasQuoted = false;
    int i = 0;
    const int end = value.size();
    const auto skipBlanks = [&] {
        while (i < end && (value.at(i) == ' ' || value.at(i) == '\t'))
            ++i;
    };
    skipBlanks();
    while (i < end) {
        const char c = value.at(i++);
        if (c == '\\') {
            if (i == end)
                return false;
            const char escaped = value.at(i++);
            bool simple = false;
            for (const auto &pair : simpleEscapes) {
                if (escaped == pair[0]) {
                    current.append(QLatin1Char(pair[1]));
                    simple = true;
                    break;
                }
            }
            if (simple)
                continue;
            if (escaped == 'x' && i < end && isHexDigit(value.at(i))) {
                quint32 code = 0;
                while (i < end && isHexDigit(value.at(i)))
                    code = ((code << 4) | quint32(hexValue(value.at(i++)))) & 0xffff;
                current.append(QChar(ushort(code)));
            } else if (escaped >= '0' && escaped <= '7') {
                quint32 code = quint32(escaped - '0');
                while (i < end && value.at(i) >= '0' && value.at(i) <= '7')
                    code = ((code << 3) | quint32(value.at(i++) - '0')) & 0xffff;
                current.append(QChar(ushort(code)));
            }
            // Any other escaped character is dropped, as the reader does.
        } else if (c == '"') {
            quoted = !quoted;
            currentWasQuoted = true;
            if (!quoted)
                skipBlanks();
        } else if (c == ',' && !quoted) {
            if (!currentWasQuoted)
                chopBlanks(current);
            texts.append(current);
            current.clear();
            currentWasQuoted = false;
            skipBlanks();
        } else if (c == ';' && !quoted) {
            return false;
        } else {
            current.append(QLatin1Char(c));
        }
    }
    if (quoted)
        return false;
    if (!currentWasQuoted)
        chopBlanks(current);
    texts.append(current);
    return true;
}

QString lineProblem(const QByteArray &line, int number, const QByteArray &recordType)
{
    const QByteArray trimmed = line.trimmed();
    const QString where = QStringLiteral("line %1").arg(number);
    if (trimmed.isEmpty() || trimmed.startsWith(';') || trimmed.startsWith('#'))
        return QString();
    if (trimmed.startsWith('[')) {
        if (!trimmed.endsWith(']') || trimmed.contains('"') || trimmed.contains(';'))
            return where + QStringLiteral(": a damaged section name");
        return QString();
    }
    const int equals = line.indexOf('=');
    if (equals < 0)
        return where + QStringLiteral(": no key");
    const QByteArray key = line.left(equals);
    if (key.contains('"') || key.contains(';'))
        return where + QStringLiteral(": a damaged key");
    QStringList texts;
    if (!valueTexts(line.mid(equals + 1), texts))
        return where + QStringLiteral(": a damaged value");
    for (const QString &text : qAsConst(texts)) {
        const bool stored = text.startsWith(variantPrefix) && text.endsWith(QLatin1Char(')'));
        if (!stored) {
            if (!recordType.isEmpty())
                return where + QStringLiteral(": no stored record");
            continue;
        }
        const QByteArray bytes = text.toLatin1().mid(variantPrefix.size());
        if (!StoredValue(bytes, recordType).isReadable())
            return where + QStringLiteral(": a damaged stored value");
    }
    return QString();
}

bool hasOpenQuoteOrEscape(const QByteArray &line)
{
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        if (line.at(i) == '\\') {
            if (++i == line.size())
                return true;
        } else if (line.at(i) == '"') {
            quoted = !quoted;
        }
    }
    return quoted;
}

} // namespace

namespace SettingsFile {

QString problem(const QString &path, const QByteArray &recordType)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return QString();
    if (!info.isFile())
        return QStringLiteral("not a file");
    if (info.size() > SizeLimit)
        return QStringLiteral("larger than %1 bytes").arg(SizeLimit);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be opened: ") + file.errorString();
    // As much as the file holds, plus one byte to see it grow: the toolkit
    // makes room for all it is asked to read before it reads, so asking for
    // the limit would set 128 MiB aside for every file.
    const QByteArray content = file.read(qMin(file.size(), SizeLimit) + 1);
    if (content.size() > SizeLimit)
        return QStringLiteral("larger than %1 bytes").arg(SizeLimit);

    // Lines end at every line feed and carriage return. A quote or an escape
    // left open at the end of a line would make the settings reader run on
    // into the next one, so such a line counts as damaged.
    int number = 0;
    int start = 0;
    while (start <= content.size()) {
        int end = start;
        while (end < content.size() && content.at(end) != '\n' && content.at(end) != '\r')
            ++end;
        const QByteArray line = content.mid(start, end - start);
        ++number;
        if (hasOpenQuoteOrEscape(line))
            return QStringLiteral("line %1: a quote or an escape left open").arg(number);
        const QString lineFault = lineProblem(line, number, recordType);
        if (!lineFault.isEmpty())
            return lineFault;
        start = end + 1;
    }
    return QString();
}

QString setAside(const QString &path)
{
    const QString stem =
        path + QStringLiteral(".damaged-") + Clock::now().toString(QStringLiteral("dd-MM-yyyy-hh-mm-ss"));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = attempt == 0 ? stem : stem + QLatin1Char('-') + QString::number(attempt);
        if (QFileInfo::exists(name))
            continue;
        // A folder in the file's place moves as well.
        if (QDir().rename(path, name))
            return name;
        return QString();
    }
    return QString();
}

QString setAsideNotice(const QString &path, const QString &setAsideAs)
{
    return QStringLiteral("Файл %1 повреждён и отложен как %2, остальные данные загружены")
        .arg(QFileInfo(path).fileName(), QFileInfo(setAsideAs).fileName());
}

std::unique_ptr<QSettings> open(const QString &path, const QByteArray &recordType, QString *setAsideAs)
{
    const QString fault = problem(path, recordType);
    if (!fault.isEmpty()) {
        const QString moved = setAside(path);
        if (setAsideAs)
            *setAsideAs = moved;
        if (moved.isEmpty()) {
            qWarning().noquote() << "Error! The settings file" << path
                                 << "cannot be read (" + fault + ") and cannot be set aside; it is left alone";
            // No file name: nothing is read and nothing written.
            return std::make_unique<QSettings>(QString(), QSettings::IniFormat);
        }
        qWarning().noquote() << "Error! The settings file" << path << "cannot be read (" + fault + "); set aside as"
                             << moved;
    }
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

} // namespace SettingsFile

#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

/// A small, lenient JSON reader and a compact JSON writer over QVariant.
///
/// The reader accepts more than strict JSON, because the service's replies
/// are not always strict: commas between members are optional and may repeat
/// or trail, and whatever follows the first complete value is ignored.
/// Numbers map to the narrowest type that holds them: a run with a "." is a
/// double; one starting with "-" is an int, else a qlonglong; any other is a
/// uint, else a qulonglong; a run that none of these take (such as "1e5" or
/// "1-2") comes back as its text. Objects become QVariantMap (a repeated key
/// keeps its last value), arrays QVariantList, null an invalid QVariant.
///
/// The writer produces one line without whitespace, map keys in ascending
/// order, doubles in printf's "%g" form (six significant digits) with ".0"
/// added when the text shows no point; a double that "%g" would write with
/// an exponent is written in plain decimal notation instead (to the same last
/// digit, the whole part kept whole), since the reader takes no exponents.
namespace Json {

/// Objects and arrays nested deeper than this are a syntax error, so that no
/// input can exhaust the stack.
constexpr int maxDepth = 512;

/// Reads the first JSON value of \a text. \a ok becomes false on a syntax
/// error; the result is then empty at the level where the error happened (an
/// empty map inside an object, an empty list inside an array, an invalid
/// variant elsewhere), and every object or array around it is empty too.
/// A null \a text gives an invalid variant and leaves \a ok true.
QVariant parse(const QString &text, bool &ok);
QVariant parse(const QString &text);
/// parse() of UTF-8 bytes, every one of them: a zero byte ends nothing.
QVariant parseUtf8(const QByteArray &utf8, bool &ok);
QVariant parseUtf8(const QByteArray &utf8);
/// parseUtf8() of bytes that must hold JSON of \a shape (an object or an
/// array): the value, or an invalid variant when they are no JSON or of
/// another shape.
QVariant parseUtf8As(const QByteArray &utf8, QMetaType::Type shape);

/// Writes \a value as UTF-8 JSON; every control character in a string is
/// escaped, so the text holds no zero byte and no raw line break. Values of a type with no JSON form (and
/// doubles that are not finite) make \a ok false and the result a null array.
QByteArray serialize(const QVariant &value, bool &ok);
QByteArray serialize(const QVariant &value);

/// serialize() decoded back to a string; a null string on failure.
QString serializeString(const QVariant &value, bool &ok);
QString serializeString(const QVariant &value);

/// The member \a key of a parsed object as text; empty when it is missing.
inline QString text(const QVariantMap &object, const char *key)
{
    return object.value(QLatin1String(key)).toString();
}

} // namespace Json

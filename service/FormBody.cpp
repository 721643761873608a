#include "FormBody.h"

#include <QTextCodec>

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<QString> utf8(const QByteArray &bytes)
{
    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0)
        return std::nullopt;
    return text;
}

} // namespace

std::optional<QByteArray> percentDecode(const QByteArray &text)
{
    QByteArray decoded;
    decoded.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '+') {
            decoded.append(' ');
        } else if (c == '%') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = hexValue(text.at(i + 1));
            const int low = hexValue(text.at(i + 2));
            if (high < 0 || low < 0)
                return std::nullopt;
            decoded.append(char(high * 16 + low));
            i += 2;
        } else {
            decoded.append(c);
        }
    }
    return decoded;
}

std::optional<QMap<QString, QString>> parseFormBody(const QByteArray &body)
{
    QMap<QString, QString> fields;
    if (body.isEmpty())
        return fields;
    const QList<QByteArray> pairs = body.split('&');
    for (const QByteArray &pair : pairs) {
        const int equals = pair.indexOf('=');
        const std::optional<QByteArray> name = percentDecode(equals < 0 ? pair : pair.left(equals));
        const std::optional<QByteArray> value = percentDecode(equals < 0 ? QByteArray() : pair.mid(equals + 1));
        if (!name || !value)
            return std::nullopt;
        const std::optional<QString> nameText = utf8(*name);
        const std::optional<QString> valueText = utf8(*value);
        if (!nameText || !valueText)
            return std::nullopt;
        fields.insert(*nameText, *valueText);
    }
    return fields;
}

#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>

/// Reads an application/x-www-form-urlencoded body strictly: "name=value"
/// pairs joined by "&", "+" for a blank, "%XX" escapes of UTF-8 bytes. A
/// broken escape or text that is not UTF-8 makes the whole body invalid.
std::optional<QMap<QString, QString>> parseFormBody(const QByteArray &body);

/// Decodes one percent-encoded component; nullopt when an escape is broken.
std::optional<QByteArray> percentDecode(const QByteArray &text);

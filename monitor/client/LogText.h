#pragma once

#include <QByteArray>
#include <QString>

/// How the client quotes outside text in its log lines.
namespace LogText {

/// Log lines quote at most this much of a body (bytes).
constexpr int BodyBytes = 4096;

/// \a body as the log quotes it: cut after a few kilobytes, with its size.
QString body(const QByteArray &body);

/// \a text with the value of every "password=" item replaced by "***".
QString withoutPasswords(QString text);

} // namespace LogText

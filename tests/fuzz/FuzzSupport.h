#pragma once

// What the fuzz targets share: bytes as a byte array, the application object
// some readers need, a home folder of their own, and a silent log.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace FuzzSupport {

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

/// Splits \a input at each line "--8<--" into at most \a parts pieces, so
/// that one input can fill several files.
inline QList<QByteArray> pieces(const QByteArray &input, int parts)
{
    const QByteArray cut = QByteArrayLiteral("\n--8<--\n");
    QList<QByteArray> result;
    int from = 0;
    while (result.size() < parts - 1) {
        const int at = input.indexOf(cut, from);
        if (at < 0)
            break;
        result << input.mid(from, at - from);
        from = at + cut.size();
    }
    result << input.mid(from);
    while (result.size() < parts)
        result << QByteArray();
    return result;
}

/// Once per process: an application object, a fresh home folder (the data
/// folder lives there) and no log output (it would slow every run down).
inline void setUp()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    static QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("VELMORA_SERVICE_URL", "https://127.0.0.1:9");
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

} // namespace FuzzSupport

#include "common/Log.h"

#include "common/Clock.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QTextStream>

#include <cstdio>

namespace {

struct LogState
{
    QMutex mutex;
    QFile file;
    QTextStream stream{&file};
    QtMessageHandler previous = nullptr;
    bool installed = false;
    Log::Echo echo = Log::Echo::None;
};

Q_GLOBAL_STATIC(LogState, state)

constexpr int HighestHandledLevel = QtFatalMsg;

QString logLine(QtMsgType type, const QString &text)
{
    const QString stamp = Clock::now().toUTC().toString(Qt::ISODate);
    return QStringLiteral("Message(%1) at %2: %3").arg(int(type)).arg(stamp, text);
}

} // namespace

bool Log::open(const QString &path, qint64 maxBytes)
{
    LogState *s = state();
    QMutexLocker lock(&s->mutex);
    if (s->file.isOpen())
        s->file.close();
    s->file.setFileName(path);
    const QFileInfo info(path);
    if (info.exists() && info.size() > maxBytes)
        QFile::remove(path);
    // No text mode: a line ends with a single line feed on every platform.
    return s->file.open(QIODevice::WriteOnly | QIODevice::Append);
}

void Log::close()
{
    LogState *s = state();
    QMutexLocker lock(&s->mutex);
    s->stream.flush();
    s->file.close();
}

bool Log::isOpen()
{
    LogState *s = state();
    QMutexLocker lock(&s->mutex);
    return s->file.isOpen();
}

void Log::install(Echo echo)
{
    LogState *s = state();
    s->echo = echo;
    if (s->installed)
        return;
    s->previous = qInstallMessageHandler(&Log::messageHandler);
    s->installed = true;
}

void Log::uninstall()
{
    LogState *s = state();
    if (!s->installed)
        return;
    qInstallMessageHandler(s->previous);
    s->previous = nullptr;
    s->installed = false;
}

void Log::messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    Q_UNUSED(context)
    if (int(type) > HighestHandledLevel)
        return;
    // After static destruction the state is gone; nothing is left to write to.
    if (state.isDestroyed())
        return;

    LogState *s = state();
    QtMessageHandler previous = nullptr;
    {
        // Qt's own threads may log too; the lock keeps their lines whole.
        QMutexLocker lock(&s->mutex);
        const QString line = logLine(type, text);
        if (s->file.isOpen()) {
            s->stream << line << '\n';
            s->stream.flush();
        }
        if (s->echo == Log::Echo::StandardOutput) {
            const QByteArray bytes = line.toUtf8() + "\n\r";
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
            std::fflush(stdout);
        }
        previous = s->previous;
    }
    if (previous)
        previous(type, QMessageLogContext(), text);
}

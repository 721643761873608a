#include "platform/linux/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

namespace {

const QString EntryFileName = QStringLiteral("velmora-team-monitor.desktop");

// Quotes an Exec argument the way the desktop entry format asks: an argument
// with reserved characters goes inside double quotes, where " ` $ and \ are
// escaped with a backslash; a literal percent sign is written twice. The
// result is then escaped once more as a string value (escapedValue).
QString quotedExecArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    static const QString escapedInQuotes = QStringLiteral("\"`$\\");
    bool needsQuotes = argument.isEmpty();
    for (QChar c : argument)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString exec;
    for (QChar c : argument) {
        if (c == QLatin1Char('%'))
            exec += QStringLiteral("%%");
        else if (needsQuotes && escapedInQuotes.contains(c))
            exec += QLatin1Char('\\') + QString(c);
        else
            exec += c;
    }
    return needsQuotes ? QLatin1Char('"') + exec + QLatin1Char('"') : exec;
}

// A string value of the desktop entry format: backslash, line breaks and tabs escaped.
QString escapedValue(const QString &value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    escaped.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    escaped.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return escaped;
}

} // namespace

QString XdgAutostart::entryPath()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config + QStringLiteral("/autostart/") + EntryFileName;
}

void XdgAutostart::add(const QString &name, const QString &program)
{
    const QString path = entryPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QTextStream out(&file);
    out.setCodec("UTF-8");
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=" << escapedValue(name) << '\n'
        << "Exec=" << escapedValue(quotedExecArgument(program)) << '\n'
        << "Terminal=false\n"
        << "X-GNOME-Autostart-enabled=true\n";
    out.flush();
    file.commit();
}

void XdgAutostart::remove(const QString &name)
{
    Q_UNUSED(name)
    QFile::remove(entryPath());
}

bool XdgAutostart::contains(const QString &name) const
{
    Q_UNUSED(name)
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;

    bool inMainGroup = false;
    bool enabled = true;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup)
            continue;
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Hidden") && value == QLatin1String("true"))
            enabled = false;
        if (key == QLatin1String("X-GNOME-Autostart-enabled") && value == QLatin1String("false"))
            enabled = false;
    }
    return enabled;
}

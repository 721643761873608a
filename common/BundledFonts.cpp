#include "common/BundledFonts.h"

#include <QApplication>
#include <QDebug>
#include <QFont>
#include <QFontDatabase>

namespace BundledFonts {

QString family()
{
    return QStringLiteral("Liberation Sans");
}

bool install()
{
    static bool installed = false;
    if (installed)
        return true;
    for (const char *face : {"Regular", "Bold", "Italic"}) {
        const QString path = QStringLiteral(":/fonts/LiberationSans-%1.ttf").arg(QLatin1String(face));
        if (QFontDatabase::addApplicationFont(path) < 0) {
            qWarning().noquote() << "Error! The font " + path + " cannot be loaded";
            return false;
        }
    }
    QFont font(family());
    font.setPixelSize(12);
    QApplication::setFont(font);
    installed = true;
    return true;
}

} // namespace BundledFonts

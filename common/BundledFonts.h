#pragma once

#include <QString>

/// The font family the windows are laid out for, compiled into both
/// programs, so that no window depends on the fonts a user happens to have.
/// Liberation Sans (SIL Open Font License 1.1, resources/fonts/LICENSE) has
/// the widths of the font the pixel-fixed layouts were drawn with.
namespace BundledFonts {

/// The bundled family's name.
QString family();

/// Registers the bundled faces and makes the family, at 12 pixels, the
/// application's font. False (and logged) when a face cannot be loaded: the
/// program goes on with the desktop's font. Needs the application object.
bool install();

} // namespace BundledFonts

#pragma once

#include <QString>

/// The application style sheet compiled into both programs.
class StyleSheet
{
public:
    /// The resource ":/qss/main.qss" up to its first NUL byte, read as
    /// Latin-1 text; empty when the resource is missing or unreadable.
    static QString application();
};

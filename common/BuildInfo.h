#pragma once

#include <QString>

/// When this program was built.
class BuildInfo
{
public:
    /// The build date as "Mmm dd yyyy", e.g. "May 12 2020" (English month, two-digit day).
    static QString date();
    /// The build time as "hh:mm:ss", 24-hour.
    static QString time();
};

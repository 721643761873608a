#pragma once

#include "platform/LastInput.h"

/// The last input from GetLastInputInfo: the system tick count (32 bits,
/// milliseconds since system start) of the desktop's last input event,
/// widened without sign.
class LastInputInfo : public LastInput
{
public:
    bool isAvailable() const override { return true; }
    std::optional<qint64> lastInputMs() override;
};

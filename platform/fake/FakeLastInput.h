#pragma once

#include "platform/LastInput.h"

/// A last-input source that tests set by hand.
class FakeLastInput : public LastInput
{
public:
    bool isAvailable() const override { return available; }
    std::optional<qint64> lastInputMs() override { return value; }

    bool available = true;
    /// Empty: the query fails.
    std::optional<qint64> value = 0;
};

#pragma once

#include <QtGlobal>

#include <functional>
#include <optional>

/// When the user last touched the keyboard or the mouse, anywhere in their
/// desktop session.
class LastInput
{
public:
    virtual ~LastInput() = default;

    /// Whether this desktop can tell at all (false, for instance, without a
    /// display server the platform's service supports).
    virtual bool isAvailable() const = 0;

    /// The moment of the last input, in milliseconds since an arbitrary
    /// start, never going backwards except where the platform's own counter
    /// wraps (Windows: every 49.7 days). The value changes only when input
    /// happened. Empty when the query failed.
    virtual std::optional<qint64> lastInputMs() = 0;

    /// Offers to call \a resumed once, at the next input, so that the caller
    /// may stop polling until then. True when the offer is taken (the user
    /// has been still long enough and the platform can report input as it
    /// happens); false, the default, when the caller must keep polling.
    virtual bool notifyAtNextInput(std::function<void()> resumed)
    {
        Q_UNUSED(resumed)
        return false;
    }
};

#pragma once

namespace px {

// Lets long waits hand control back to the user interface between slices.
class EventPump
{
public:
    virtual ~EventPump() = default;

    // Dispatches the events that are waiting; false when the program is quitting.
    virtual bool PumpMessages() = 0;
};

// For programs without an event loop (the command line) and for tests.
class NullEventPump final : public EventPump
{
public:
    bool PumpMessages() override { return true; }
};

} // namespace px

// The engine works on a document inside one event, but the event loop can turn while it does: an
// alert runs its own loop, and the progress bar lets the windows repaint. While that happens the
// engine's data may be half computed, so drawing a plot and closing a window wait until it is
// done. EngineBusy marks such a stretch; scopes nest.
#pragma once

class EngineBusy {
public:
    EngineBusy() { ++depth_; }
    ~EngineBusy() { --depth_; }
    EngineBusy(const EngineBusy&) = delete;
    EngineBusy& operator=(const EngineBusy&) = delete;
    static bool Active() { return depth_ > 0; }

private:
    static inline int depth_ = 0;
};

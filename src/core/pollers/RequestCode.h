#pragma once

// The request codes of the instrument protocol. A poller's Command holds one of them as a
// byte; any other value means an idle cycle.

#include <cstdint>

namespace RequestCode {
enum : uint8_t {
    Idle = 0,
    Probe = 4,      // echo only
    Fetch = 6,      // the current result
    FetchShort = 7, // the result in its shorter layouts
    Confirm = 9,    // the result was taken; echo only
};
} // namespace RequestCode

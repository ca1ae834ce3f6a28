// Stepping a session (OB_SetParam with OB_PARAM_STEP): how ticks and event posting
// are paced. The numbers are those of the exported parameter. Any thread (the
// session keeps both values as atomics).
#pragma once

#include <cstdint>

namespace ob::engine {

enum class StepMode : std::uint32_t {
    FreeRunning = 0,       ///< every tick may run a pass
    SingleStep = 1,        ///< after each pass the session pauses until the host releases it
    StrictFlowControl = 4, ///< other threads wait after each event until the host acknowledges it
};

enum class StepState : std::uint32_t {
    Running = 2, ///< the next tick may run a pass
    Paused = 3,  ///< ticks run no pass; other threads wait before posting events
};

} // namespace ob::engine

// The engine thread: one per session; runs the scheduler tick, the private engine
// messages, the relay window and the command server through one message loop.
#pragma once

#include <cstdint>
#include <memory>

namespace ob::engine {

struct EngineSession;

/// Body of the engine thread. Holds the session alive until it returns.
std::uint32_t EngineThreadMain(std::shared_ptr<EngineSession> session);

} // namespace ob::engine

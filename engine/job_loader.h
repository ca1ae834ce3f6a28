// Loading job scripts into a session's queue, and the built-in template jobs.
// Runs on the calling thread; takes the session lock only to append finished jobs.
#pragma once

#include <cstdint>

struct EngineSession;

namespace ob::engine {

/// Loader option: the loaded jobs are internal and the loader's messages become
/// system messages at level bit 1.
inline constexpr std::uint32_t LOAD_INTERNAL = 2;

/// Loads a job script; true when every block of it was queued.
bool LoadJobScript(EngineSession& session, const char* path, std::uint32_t options,
                   bool deleteAfterLoading = false);

/// Instantiates template `index` (0..4) with `argument`; option bits: 1 tell the
/// host with event 2004, 2 run the job at once, 4 load it as internal.
void CreateTemplateJob(EngineSession& session, std::uint32_t index, const char* argument,
                       std::uint32_t options);

} // namespace ob::engine

// Loading job scripts into a session's queue: one file, the files matching a
// wildcard pattern, and the five built-in template jobs. Runs on the calling
// thread; takes the session lock only to append finished jobs.
#pragma once

#include <cstdint>
#include <string>

namespace ob::engine {

struct EngineSession;

/// Loader option: the loaded jobs are internal and the loader's messages become
/// system messages at level bit 1.
inline constexpr std::uint32_t LOAD_INTERNAL = 2;

// Option bits of OB_CreateTemplateJob.
inline constexpr std::uint32_t TEMPLATE_NOTIFY = 1;   ///< tell the host with event 2004
inline constexpr std::uint32_t TEMPLATE_RUN_NOW = 2;  ///< run the job at once
inline constexpr std::uint32_t TEMPLATE_INTERNAL = 4; ///< load it as internal

/// Template indexes: ij_load, ij_hide, ij_refresh, ij_logfile, ij_shell.
inline constexpr std::uint32_t kTemplateCount = 5;

/// Loads a job script; true when every block of it was queued. Jobs completed
/// before a format error stay queued.
bool LoadJobScript(EngineSession& session, const char* path, std::uint32_t options,
                   bool deleteAfterLoading = false);

/// Loads every file matching a wildcard pattern; the first failure stops with
/// false; no match at all is true.
bool LoadJobScriptsByPattern(EngineSession& session, const std::string& pattern,
                             std::uint32_t options, bool deleteAfterLoading = false);

/// Instantiates template `index` with `argument` (null: empty) through a temporary
/// "JRX" file. An index outside 0..4 counts as a template that could not be loaded.
void CreateTemplateJob(EngineSession& session, std::uint32_t index, const char* argument,
                       std::uint32_t options);

} // namespace ob::engine

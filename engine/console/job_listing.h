// The console's `list [-ts] [regexp]`: one entry per queued job whose expanded
// name the pattern matches (expired and unnamed jobs are left out), with its
// trigger times (`t`) and run statistics (`s`), then the count. Engine thread;
// takes the session lock for the walk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ob::engine {

struct EngineSession;

/// The listing as the strings to queue, in order (each is one send). `options`
/// is searched for the letters "t" and "s" anywhere; an empty `pattern` or one
/// beginning with "-" lists every job.
std::vector<std::string> ListJobs(EngineSession& session, std::string_view options,
                                  std::string_view pattern);

/// "Dys=0, Hrs=0, Mns=1, Sds=2, Ms=345" for a total of run time in milliseconds.
std::string FormatRunTime(std::uint32_t totalMs);

} // namespace ob::engine

// `obrenta run` and `obrenta check`.
#pragma once

#include <ostream>

namespace ob::host {

/// obrenta run [--level HEX] [--seconds N] [--exit-when-idle] [--jobs [DIR]]
///             [--web ADDRESS:PORT] [FILE...]
/// argv[0] is "run". Exit status 0 on a clean stop, 1 when a named file failed to
/// load, the job folder cannot be read, the engine did not start or the --web
/// dashboard cannot listen, 2 for bad usage.
int RunCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

/// obrenta check [--next N [--from TIME]] FILE...: loads without enabling the
/// scheduler and, with --next, prints each job's next N times; 1 on a failed load.
int CheckCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace ob::host

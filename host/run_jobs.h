// The running part of `obrenta run`: loads the job files, enables the scheduler
// and runs the message loop, with what a system service needs around it: the
// endpoint through which the installer asks for a shut-down, SIGHUP reloading the
// job files, and the service manager told when the service is ready and when it
// stops. Main thread only.
#pragma once

#include "host/host_session.h"
#include "host/job_set.h"

#include <functional>
#include <ostream>

namespace ob::host {

/// Runs a started session until a stop condition, then destroys it. Exit status:
/// 0 after a clean stop; 1 when the job folder cannot be read, or when a file named
/// on the command line failed to load and there is no job folder (a service with a
/// job folder runs on with the jobs that loaded). `beforeStop`, when given, runs
/// just before the session is destroyed, for what reads the session (the dashboard).
int RunJobs(HostSession& host, const JobSet& jobs, const StopConditions& stop, std::ostream& err,
            const std::function<void()>& beforeStop = {});

} // namespace ob::host

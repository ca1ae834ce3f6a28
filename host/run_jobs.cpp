#include "host/run_jobs.h"

#include "host/job_reloader.h"
#include "host/shutdown_endpoint.h"
#include "platform/service/service_notify.h"

namespace ob::host {

int RunJobs(HostSession& host, const JobSet& jobs, const StopConditions& stop, std::ostream& err,
            const std::function<void()>& beforeStop) {
    const auto stopSession = [&] {
        if (beforeStop) {
            beforeStop();
        }
        host.Stop();
    };
    // Opened first and closed last, so that the endpoint is gone only when the
    // session is.
    ShutdownEndpoint endpoint(err);
    endpoint.Open();
    const auto files = jobs.Files(err);
    if (!files) {
        stopSession();
        return 1;
    }
    const LoadReport loaded = JobSet::Load(host, *files, err);
    if (!loaded.failed.empty() && !jobs.HasFolder()) {
        stopSession();
        return 1;
    }
    {
        JobReloader reloader(host, jobs, err);
        if (!reloader.Start()) {
            err << "obrenta: SIGHUP cannot be watched; the job files are not reloaded\n";
        }
        host.Enable();
        service::NotifyServiceManager(service::ServiceState::Ready, JobSet::Summary(loaded));
        host.Run(stop);
        service::NotifyServiceManager(service::ServiceState::Stopping);
    }
    stopSession();
    return 0;
}

} // namespace ob::host

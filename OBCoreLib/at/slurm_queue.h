// A Slurm partition as a job queue, through Slurm's tools: `sbatch --parsable
// --begin=TIME` places a run (the job script on its input, our tag as the job's
// comment, its output discarded as an AT job's is), `squeue` lists this user's
// jobs in the partition, and `scancel` removes one. Only jobs that carry our tag
// are listed; jobs whose run failed (and that the controller still shows) carry
// JOB_EXEC_ERROR. The tools get SLURM_CONF when the settings name a file. The
// caller's thread.
#pragma once

#include "OBCoreLib/at/cluster_settings.h"
#include "OBCoreLib/at/job_queue.h"

namespace ob::at {

class SlurmQueue final : public JobQueue {
public:
    explicit SlurmQueue(ClusterSettings cluster) : cluster_(std::move(cluster)) {}

    AtStatus Place(const AtJobRecord& job, const datetime::OleDate& run,
                   std::uint32_t& id) override;
    AtStatus List(std::vector<AtJobRecord>& jobs) override;
    AtStatus Find(std::uint32_t id, AtJobRecord& job) override;
    AtStatus Remove(std::uint32_t id) override;

private:
    std::vector<std::string> ToolEnvironment() const;

    ClusterSettings cluster_;
};

} // namespace ob::at

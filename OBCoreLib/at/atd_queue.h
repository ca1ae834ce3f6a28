// The local atd as a job queue, through Debian's at tools: `at -t` places a run
// (the job script on its input; atd runs jobs to the minute), `atq` lists the
// queue with each job's time, `at -c` prints a job's script (where our tag is
// read back) and `atrm` removes a job. Every job the queue shows us is listed;
// one made by another program has its commands and no tag fields. The caller's
// thread.
#pragma once

#include "OBCoreLib/at/job_queue.h"

namespace ob::at {

class AtdQueue final : public JobQueue {
public:
    AtStatus Place(const AtJobRecord& job, const datetime::OleDate& run,
                   std::uint32_t& id) override;
    AtStatus List(std::vector<AtJobRecord>& jobs) override;
    AtStatus Find(std::uint32_t id, AtJobRecord& job) override;
    AtStatus Remove(std::uint32_t id) override;
};

} // namespace ob::at

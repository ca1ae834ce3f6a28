// Fuzz target for the readers of the AT layer: the answers of atq, at, `at -c`,
// squeue and sbatch, job tags, and cron expressions turned into AT jobs with their
// runs and time texts. The first byte chooses the reader; the rest is its input.
// What must never happen is a crash, a hang or a broken invariant: a tag read
// back is the tag written, every run of a job falls on its time of day, in order.
//
// Run: build-fuzz/bin/at_queue_fuzz -max_total_time=300
#include "OBCoreLib/at/atd_listing.h"
#include "OBCoreLib/at/cron_job_conversion.h"
#include "OBCoreLib/at/job_script.h"
#include "OBCoreLib/at/job_tag.h"
#include "OBCoreLib/at/job_time_text.h"
#include "OBCoreLib/at/run_moments.h"
#include "OBCoreLib/at/slurm_listing.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using ob::datetime::OleDate;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void Convert(std::string_view text) {
    ob::at::AtJobRecord job;
    if (ob::at::ConvertCronToAtJob(text, 0, text, job) != ob::at::CronConversion::Converted) {
        return;
    }
    Check(job.jobTime < ob::at::kDayMilliseconds);
    const OleDate now = OleDate::FromParts(2024, 2, 28, 23, 59, 30);
    const auto runs = ob::at::RunMoments(job, now);
    Check(!runs.empty()); // any day of a month comes within two months
    for (std::size_t i = 0; i < runs.size(); ++i) {
        Check(ob::at::JobTimeOf(runs[i]) == job.jobTime);
        Check(i == 0 || runs[i - 1] < runs[i]);
    }
    (void)ob::at::JobTimeText(job, now);
    (void)ob::at::JobScript(job);

    ob::at::AtJobRecord back;
    Check(ob::at::ParseJobTag(ob::at::JobTag(job), back));
    Check(back.command == job.command && back.daysOfMonth == job.daysOfMonth &&
          back.daysOfWeek == job.daysOfWeek && back.flags == job.flags);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    ob::at::AtJobRecord job;
    switch (data[0] % 6) {
    case 0:
        for (const auto& entry : ob::at::ParseAtqListing(text)) {
            Check(entry.when.IsValid());
        }
        (void)ob::at::ParseAtJobNumber(text);
        break;
    case 1:
        ob::at::ReadAtJobText(text, job);
        break;
    case 2:
        (void)ob::at::ParseSqueueListing(text);
        (void)ob::at::ParseSbatchJobId(text);
        break;
    case 3:
        if (ob::at::ParseJobTag(text, job)) {
            ob::at::AtJobRecord back;
            Check(ob::at::ParseJobTag(ob::at::JobTag(job), back) && back == job);
        }
        break;
    default:
        Convert(text);
        break;
    }
    return 0;
}

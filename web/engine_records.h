// Owning handles for the records the engine's exports hand out, so that every
// copy is given back to the engine exactly once. Any thread.
#pragma once

#include "obrenta/history.h"
#include "obrenta/jobs.h"
#include "obrenta/preview.h"

#include <memory>

namespace ob::web {

struct JobListRelease {
    void operator()(OB_JobList* list) const { OB_ReleaseJobList(list); }
};
struct LogLinesRelease {
    void operator()(OB_LogLines* lines) const { OB_ReleaseLogLines(lines); }
};
struct PreviewRelease {
    void operator()(OB_Preview* preview) const { OB_ReleasePreview(preview); }
};
struct HistoryRelease {
    void operator()(OB_History* history) const { OB_ReleaseHistory(history); }
};

using JobListPtr = std::unique_ptr<OB_JobList, JobListRelease>;
using LogLinesPtr = std::unique_ptr<OB_LogLines, LogLinesRelease>;
using PreviewPtr = std::unique_ptr<OB_Preview, PreviewRelease>;
using HistoryPtr = std::unique_ptr<OB_History, HistoryRelease>;

} // namespace ob::web

// The tag our jobs carry in a queue: what an AT record holds that neither atd nor
// Slurm has a place for (the AT flags and the day masks) and the command line
// exactly as the script gave it, so that a job read back is the job added.
//
//   obrenta-job:1:FLAGS:MONTHDAYS:WEEKDAYS:COMMAND
//
// with decimal numbers and the command in base64 (any bytes, line breaks
// included, on one line without blanks). atd keeps it as a comment line of the job
// script, Slurm as the job's comment. Pure functions; any thread.
#pragma once

#include "OBCoreLib/at/at_job_record.h"

#include <string>
#include <string_view>

namespace ob::at {

inline constexpr std::string_view kJobTagPrefix = "obrenta-job:1:";

std::string JobTag(const AtJobRecord& job);

/// Reads a tag into `job` (flags, masks and command; the id, time and next run
/// stay). False, `job` unchanged, when `text` is not a whole, well-formed tag.
bool ParseJobTag(std::string_view text, AtJobRecord& job);

} // namespace ob::at

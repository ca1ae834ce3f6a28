// The value of an outgoing message's Date header: "Tue, 14 Mar 1995 9:05:03 +0100"
// (English names, day and hour without a leading zero, the local zone's offset).
// Any thread.
#pragma once

#include <chrono>
#include <string>

namespace ob::mail {

std::string DateHeaderValue(std::chrono::system_clock::time_point when);

} // namespace ob::mail

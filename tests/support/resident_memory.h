// Test and bench support: the process's resident memory, from /proc/self/statm.
#pragma once

#include <fstream>
#include <unistd.h>

namespace ob::test {

inline long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace ob::test

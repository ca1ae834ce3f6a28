// Benchmark support: private settings stores in a temporary folder, made once per
// process, with the console on a free port (`cs_port` 0), so that a benchmark
// neither reads nor changes the machine's settings. Header only; the benchmark's
// main thread.
#pragma once

#include "obrenta/obrenta.h"
#include "platform/env/environment.h"
#include "platform/registry/registry.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace ob::bench {

/// The scratch folder (its machine/ and user/ folders hold the stores).
inline const std::string& PrivateStores() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/obbench.XXXXXX";
        const std::string made = ::mkdtemp(pattern);
        std::filesystem::create_directories(made + "/machine");
        std::filesystem::create_directories(made + "/user");
        ob::env::Set("OBRENTA_MACHINE_DIR", made + "/machine");
        ob::env::Set("OBRENTA_USER_DIR", made + "/user");
        ob::registry::ResetConnections();
        OB_PutEnv("Communication", "cs_port", "0", ENV_PERSISTENT);
        ob::env::Remove("cs_port");
        return made;
    }();
    return dir;
}

} // namespace ob::bench

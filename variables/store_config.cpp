// The process-wide names of the variable store.
//
// Every configuration ever set is kept until the process ends, so a reference that
// Config() handed out never dangles even if Configure runs again later; the current
// one is published through an atomic pointer, so readers need no lock.
#include "platform/lifetime/immortal.h"
#include "variables/variable_manager.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace ob::vars {
namespace {

const StoreConfig kDefaultConfig{"Varndel Software", "Obrenta", "Obrenta", "JR.ENVIRONMENT",
                                 "JR.LAST_ERROR"};

std::atomic<const StoreConfig*> g_current{&kDefaultConfig};

struct KeptConfigs {
    std::mutex mutex;
    std::vector<std::unique_ptr<const StoreConfig>> configs;
};

KeptConfigs& Kept() {
    static Immortal<KeptConfigs> kept;
    return kept.Get();
}

} // namespace

void Configure(const StoreConfig& config) {
    auto copy = std::make_unique<const StoreConfig>(config);
    KeptConfigs& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.mutex);
    g_current.store(copy.get(), std::memory_order_release);
    kept.configs.push_back(std::move(copy));
}

const StoreConfig& Config() {
    return *g_current.load(std::memory_order_acquire);
}

} // namespace ob::vars

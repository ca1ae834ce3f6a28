#include "OBCoreLib/at/cluster_settings.h"

#include "platform/registry/registry.h"

namespace ob::at {
namespace {

using registry::Key;
using registry::Root;

constexpr Root kLookupOrder[] = {Root::CurrentUser, Root::LocalMachine};

std::string ValueOf(const Key& key, std::string_view name) {
    std::string data;
    if (key.QueryValue(name, data) != registry::ERROR_SUCCESS) {
        data.clear();
    }
    return data;
}

} // namespace

std::optional<ClusterSettings> FindCluster(std::string_view machine) {
    if (machine.starts_with("\\\\")) {
        machine.remove_prefix(2);
    }
    if (machine.empty() || machine.find('\\') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string path = std::string(kClustersKey) + "\\" + std::string(machine);
    for (const Root root : kLookupOrder) {
        Key key;
        if (Key::Open(root, path, registry::KEY_READ, key) != registry::ERROR_SUCCESS) {
            continue;
        }
        ClusterSettings cluster;
        cluster.name = std::string(machine);
        cluster.partition = ValueOf(key, "partition");
        cluster.account = ValueOf(key, "account");
        cluster.conf = ValueOf(key, "conf");
        if (!cluster.partition.empty()) {
            return cluster;
        }
    }
    return std::nullopt;
}

} // namespace ob::at

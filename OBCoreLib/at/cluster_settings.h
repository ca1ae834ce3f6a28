// Machine names that stand for a Slurm partition, kept in the settings store:
//
//   Software\Varndel Software\Obrenta\Clusters\NAME
//     partition  the partition jobs go to (required)
//     account    the account they are charged to (optional)
//     conf       the slurm.conf the tools read, given to them as SLURM_CONF
//                (optional; without it the tools find the cluster themselves)
//
// NAME is the machine name scripts give (without regard to case; a leading "\\"
// is dropped, as the network functions take "\\NAME" too). The user's store is
// read first, then the machine's. Any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ob::at {

inline constexpr std::string_view kClustersKey = "Software\\Varndel Software\\Obrenta\\Clusters";

struct ClusterSettings {
    std::string name; ///< the key's name
    std::string partition;
    std::string account; ///< empty: the user's default account
    std::string conf;    ///< empty: the tools' own configuration
};

/// The cluster a machine name stands for; nothing for a name without a key, or
/// with a key that names no partition.
std::optional<ClusterSettings> FindCluster(std::string_view machine);

} // namespace ob::at

#include "setup/service_entries.h"

#include "platform/registry/registry.h"
#include "setup/setup_log.h"
#include "variables/variable_manager.h"

#include <array>
#include <string_view>
#include <utility>

namespace ob::setup {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kServices = {{
    {"mail", "\tClearing MAPI email support info.\n"},
    {"img", "\tClearing imaging support info.\n"},
    {"str", "\tClearing string support info.\n"},
    {"cscript", "\tClearing cscript support info.\n"},
    {"ftp", "\tClearing FTP support info.\n"},
    {"sendkeys", "\tClearing SendKeys support info.\n"},
}};

} // namespace

void ClearServiceEntries() {
    const vars::StoreConfig& config = vars::Config();
    const registry::Root root = registry::RootWritable(registry::Root::LocalMachine)
                                    ? registry::Root::LocalMachine
                                    : registry::Root::CurrentUser;
    registry::Key product;
    const bool open =
        registry::Key::Open(root, "software\\" + config.company + "\\" + config.product,
                            registry::KEY_READ_WRITE, product) == registry::ERROR_SUCCESS;
    for (const auto& [name, message] : kServices) {
        Log(LogTag::Patch, message);
        if (open) {
            product.DeleteSubKey("services\\" + std::string(name)); // absent is fine
        }
    }
}

} // namespace ob::setup

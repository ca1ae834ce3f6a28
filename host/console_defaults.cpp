#include "host/console_defaults.h"

#include "obrenta/obrenta.h"

#include <unistd.h>

namespace ob::host {
namespace {

constexpr const char* kSection = "Communication";

bool Write(const char* name, const char* value) {
    return OB_PutEnv(kSection, name, value, ENV_PERSISTENT) == 0;
}

} // namespace

bool EnsureConsoleDefaults(std::ostream& err) {
    if (char* port = OB_GetEnv(kSection, "cs_port", ENV_PERSISTENT)) {
        OB_ReleaseEnvString(port);
        return true;
    }
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    err << "obrenta: no console port is configured; writing the installation defaults\n";
    bool ok = Write("host", host);
    err << "\tWriting Communication host name: " << host << ".\n";
    ok = Write("px_port", nullptr) && ok;
    ok = Write("px_port", "1228") && ok;
    err << "\tWriting Communication Proxy port number: 1228.\n";
    ok = Write("cs_port", "1229") && ok;
    err << "\tWriting Communication Server port number: 1229.\n";
    if (!ok) {
        err << "obrenta: the settings store could not be written\n";
    }
    return ok;
}

} // namespace ob::host

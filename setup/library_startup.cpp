// Start-up of the setup extension: its own copy of the variable store is
// configured as the engine configures its own, when the library is loaded.

#include "variables/variable_manager.h"

namespace {

class CObrentaSetupApp {
public:
    CObrentaSetupApp() {
        ob::vars::Configure({.company = "Varndel Software",
                             .product = "Obrenta",
                             .third = "Obrenta",
                             .defaultSection = "JR.ENVIRONMENT",
                             .lastErrorVariable = "JR.LAST_ERROR"});
    }
};

const CObrentaSetupApp theApp;

} // namespace

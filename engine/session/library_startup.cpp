// Start-up of the engine library: configures the variable store once, when the
// library is loaded into a process, before any export can be called.

#include "variables/variable_manager.h"

namespace {

class CObrentaLibApp {
public:
    CObrentaLibApp() {
        ob::vars::Configure({.company = "Varndel Software",
                             .product = "Obrenta",
                             .third = "Obrenta",
                             .defaultSection = "JR.ENVIRONMENT",
                             .lastErrorVariable = "JR.LAST_ERROR"});
    }
};

const CObrentaLibApp theApp;

} // namespace

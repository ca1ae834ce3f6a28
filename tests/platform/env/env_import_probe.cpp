// Prints the imported environment table, one "NAME=value" line per variable in
// definition order, for environment_import_test.
#include "platform/env/environment.h"

#include <iostream>

int main() {
    for (const std::string& entry : ob::env::Block()) {
        std::cout << entry << '\n';
    }
    return 0;
}

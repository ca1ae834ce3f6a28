// A loadable library without the class entry point, for the class registry's
// tests: loading it works, asking it for an object must fail cleanly.
extern "C" __attribute__((visibility("default"))) int ObrentaTestLibraryWithoutEntry() {
    return 1;
}

// Defaults for nvhost's AddressSanitizer build (the runtime reads this hook at start-up; without a
// sanitizer nothing calls it; ASAN_OPTIONS in the environment still overrides it).
//
// Leak checking is off: the web engine and D-Bus keep allocations alive to process exit, and a
// suppression by library would also hide the plug-in's own leaks, because everything the plug-in
// allocates has the engine's frames below it. Plug-in leaks are for its unit tests to find; here
// the sanitizer's job is to stop the run at the first memory error.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
    return "detect_leaks=0";
}

// The AddressSanitizer defaults of every fuzz target (ASAN_OPTIONS still
// overrides them). A freed block stays poisoned until 16 MB more have been
// freed: far more than one input frees, so a use after free within an input
// is still caught, while with the runtime's 256 MB each input took fresh
// pages from the system, most of its time.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

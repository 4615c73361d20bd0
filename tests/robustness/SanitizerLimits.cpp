// Under AddressSanitizer, an allocation larger than any input of these tests
// can justify is reported as an error instead of being served: a size taken
// from a damaged header must be checked against what the file holds.

#if defined(__SANITIZE_ADDRESS__)
extern "C" char const* __asan_default_options() { return "max_allocation_size_mb=256"; }
#endif

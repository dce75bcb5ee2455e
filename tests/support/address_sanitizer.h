#pragma once

// TAVIX_ADDRESS_SANITIZER is defined when the test is built with the address
// sanitizer (GCC says so by a macro, clang by a feature test). Its shadow
// memory takes the whole address space, so tests that limit the address
// space cannot run under it.
#if defined(__SANITIZE_ADDRESS__)
#define TAVIX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVIX_ADDRESS_SANITIZER 1
#endif
#endif

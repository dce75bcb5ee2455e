// The program's version, as --version and the window report it.
#ifndef TAVIX_CORE_UTIL_VERSION_H
#define TAVIX_CORE_UTIL_VERSION_H

inline constexpr char kProgramVersion[] = "2.0";

#endif

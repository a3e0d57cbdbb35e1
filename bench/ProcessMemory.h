#pragma once

#include <string>

namespace bench {

// Resident memory of a process ("self" or its number), in KiB, as
// /proc/<process>/status tells it (VmRSS); 0 when unknown.
[[nodiscard]] long residentKiB(const std::string& process = "self");

// The resident part of the JACK server's shared memory segments that the
// process maps, in KiB: every JACK client maps them, so they are told apart.
[[nodiscard]] long jackSharedKiB(const std::string& process = "self");

}  // namespace bench

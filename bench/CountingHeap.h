// Every array allocation of the benchmark program is counted: the string allocates its
// buffers with the array form of new, so the count shows how often it reallocates.
#pragma once

#include <cstdint>

std::uint64_t ArrayAllocations();

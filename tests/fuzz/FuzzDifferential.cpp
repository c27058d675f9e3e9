#include "FuzzTargets.h"

#include <cstddef>
#include <cstdint>
#include <malloc.h>

// Each input builds two engines and their searches' tables: kept in the heap rather than mapped
// and unmapped every time, they cost no page faults.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestrum::fuzz::differential(data, size);
    return 0;
}

// Both EDS generators, driven by fuzzed templates.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return quillon::fuzz::runOrAbort(quillon::fuzz::templateGeneration, data, size);
}

#include "tests/support/npapi/AllocationTracker.h"

#include <cstdlib>

namespace nvtest::npapi {

void* AllocationTracker::allocate(uint32_t size) {
    // Exactly the size asked for, so a plug-in that reads past a browser string (they carry no
    // terminator) trips the address sanitizer.
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block) {
        m_blocks.insert(block);
    }
    return block;
}

bool AllocationTracker::release(void* block) {
    if (!block) {
        return true;
    }
    if (m_blocks.erase(block) == 0) {
        return false;
    }
    std::free(block);
    return true;
}

} // namespace nvtest::npapi

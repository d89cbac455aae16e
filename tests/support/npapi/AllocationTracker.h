// AllocationTracker: the fake browser's NPN_MemAlloc heap. It knows every block it handed out and
// not yet took back, so a test can check that the plug-in freed everything the browser gave it and
// that it frees nothing else. Thread contract: main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_set>

namespace nvtest::npapi {

class AllocationTracker {
public:
    AllocationTracker() = default;
    AllocationTracker(const AllocationTracker&) = delete;
    AllocationTracker& operator=(const AllocationTracker&) = delete;
    // Blocks still out are left to the leak checker: freeing them here would hide the leak.
    ~AllocationTracker() = default;

    // A new block of `size` bytes (a distinct block even for 0), or null when memory runs out.
    void* allocate(uint32_t size);
    // Frees a block this tracker handed out; false, and nothing freed, for any other pointer.
    // Null is accepted and ignored, as free() does.
    bool release(void* block);
    size_t outstanding() const { return m_blocks.size(); }

private:
    std::unordered_set<void*> m_blocks;
};

} // namespace nvtest::npapi

#include "platform/Handles.h"

#include <mutex>
#include <vector>

namespace ruvu::platform {

namespace {

// Slot n holds handle n + 1. Released handles are handed out again, most recent first, so the
// numbers stay small.
struct HandleTable {
    std::mutex mutex;
    std::vector<void*> slots;
    std::vector<uint32_t> freeHandles;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

}  // namespace

uint32_t RegisterHandle(void* pointer) {
    if (pointer == nullptr) {
        return 0;
    }
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    if (!table.freeHandles.empty()) {
        uint32_t handle = table.freeHandles.back();
        table.freeHandles.pop_back();
        table.slots[handle - 1] = pointer;
        return handle;
    }
    table.slots.push_back(pointer);
    return static_cast<uint32_t>(table.slots.size());
}

void* ResolveHandle(uint32_t handle) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    return handle == 0 || handle > table.slots.size() ? nullptr : table.slots[handle - 1];
}

void ReleaseHandle(uint32_t handle) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    if (handle == 0 || handle > table.slots.size() || table.slots[handle - 1] == nullptr) {
        return;
    }
    table.slots[handle - 1] = nullptr;
    table.freeHandles.push_back(handle);
}

}  // namespace ruvu::platform

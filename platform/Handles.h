// The 32-bit handle table. The records exchanged with the run-time libraries have 32-bit address
// fields; on this 64-bit host they hold handles: a pointer is registered and gets a non-zero handle,
// which both sides resolve back. 0 is the null address. The table is shared by the program and the
// libraries (one host library) and safe to use from several threads.
#pragma once

#include <cstdint>

namespace ruvu::platform {

// Registers a pointer; nullptr gives 0, anything else a handle not in use.
uint32_t RegisterHandle(void* pointer);
// The pointer of a handle; nullptr for 0 and for handles that are not registered.
void* ResolveHandle(uint32_t handle);
// Forgets a handle; 0 and unknown handles are ignored.
void ReleaseHandle(uint32_t handle);

template <class T>
T* ResolveHandleAs(uint32_t handle) {
    return static_cast<T*>(ResolveHandle(handle));
}

// A registration that ends with its scope.
class ScopedHandle {
  public:
    ScopedHandle() = default;
    explicit ScopedHandle(void* pointer) : handle_(RegisterHandle(pointer)) {}
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = 0; }
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            ReleaseHandle(handle_);
            handle_ = other.handle_;
            other.handle_ = 0;
        }
        return *this;
    }
    ~ScopedHandle() { ReleaseHandle(handle_); }

    uint32_t Get() const { return handle_; }

  private:
    uint32_t handle_ = 0;
};

}  // namespace ruvu::platform

#pragma once
// Library-wide counts that decide whether the library may be unloaded: live objects and
// server locks.

#include <atomic>
#include <cstdint>

namespace zqmarq {

class ModuleState {
  public:
    static void objectCreated() { s_objects.fetch_add(1); }
    static void objectDestroyed() { s_objects.fetch_sub(1); }
    static void lock(bool on) { on ? s_locks.fetch_add(1) : s_locks.fetch_sub(1); }
    static bool canUnload() { return s_objects.load() == 0 && s_locks.load() == 0; }
    static std::int32_t liveObjects() { return s_objects.load(); }

  private:
    static inline std::atomic<std::int32_t> s_objects{0};
    static inline std::atomic<std::int32_t> s_locks{0};
};

// Reference counting shared by the library's objects.
class RefCounted {
  public:
    RefCounted() { ModuleState::objectCreated(); }
    virtual ~RefCounted() { ModuleState::objectDestroyed(); }
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    std::uint32_t addRefImpl() { return ++m_refs; }
    std::uint32_t releaseImpl() {
        const std::uint32_t left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

  private:
    std::uint32_t m_refs = 1;
};

} // namespace zqmarq

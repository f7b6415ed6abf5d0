#pragma once
// Class factories of the library's three classes: the marquee control, its General page and
// its Info page.

#include "module_state.h"
#include "zq_interfaces.h"

#include <functional>

namespace zqmarq {

class ClassFactory final : public IZqClassFactory, private RefCounted {
  public:
    // create makes a new object with one reference, as the given interface.
    using Creator = std::function<HResult(const Guid& iid, void** out)>;
    explicit ClassFactory(Creator create) : m_create(std::move(create)) {}

    HResult queryInterface(const Guid& iid, void** out) override;
    std::uint32_t addRef() override { return addRefImpl(); }
    std::uint32_t release() override { return releaseImpl(); }
    HResult createInstance(const Guid& iid, void** out) override;
    HResult lockServer(bool lock) override;

  private:
    Creator m_create;
};

// The factory for clsid as iid, or kClassENotAvailable.
HResult getClassObject(const Guid& clsid, const Guid& iid, void** out);

} // namespace zqmarq

#pragma once
// The General and Info pages as objects a container creates through their class factories.

#include "module_state.h"
#include "zq_interfaces.h"

namespace zqmarq {

class PageObject : public IZqPropertyPage, protected RefCounted {
  public:
    explicit PageObject(const Guid& clsid) : m_clsid(clsid) {}
    HResult queryInterface(const Guid& iid, void** out) override;
    std::uint32_t addRef() override { return addRefImpl(); }
    std::uint32_t release() override { return releaseImpl(); }
    std::string caption() const override;
    QWidget* createPage(QWidget* parent, IZqDispatch* object) override;

  private:
    Guid m_clsid;
};

class GeneralPageObject final : public PageObject {
  public:
    GeneralPageObject() : PageObject(ids::kGeneralPage) {}
};

class InfoPageObject final : public PageObject {
  public:
    InfoPageObject() : PageObject(ids::kInfoPage) {}
};

} // namespace zqmarq

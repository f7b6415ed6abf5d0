#include "property_page_objects.h"

#include "property_frame.h"
#include "property_pages.h"

namespace zqmarq {

HResult PageObject::queryInterface(const Guid& iid, void** out) {
    if (!out)
        return kEPointer;
    if (iid == ids::kIUnknown || iid == ids::kIZqPropertyPage) {
        *out = static_cast<IZqPropertyPage*>(this);
        addRef();
        return kSOk;
    }
    *out = nullptr;
    return kENoInterface;
}

std::string PageObject::caption() const {
    return m_clsid == ids::kGeneralPage ? kGeneralPageCaption : kInfoPageCaption;
}

QWidget* PageObject::createPage(QWidget* parent, IZqDispatch* object) {
    PropertyPage* page = createPropertyPage(m_clsid, parent);
    if (page)
        page->fill(object);
    return page;
}

} // namespace zqmarq

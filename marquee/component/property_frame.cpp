#include "property_frame.h"

#include "property_pages.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zqmarq {

PropertyPage* createPropertyPage(const Guid& clsid, QWidget* parent) {
    if (clsid == ids::kGeneralPage)
        return new GeneralPage(parent);
    if (clsid == ids::kInfoPage)
        return new InfoPage(parent);
    if (clsid == ids::kStockColorPage)
        return new StockPage(PropType::Color, parent);
    if (clsid == ids::kStockFontPage)
        return new StockPage(PropType::Font, parent);
    if (clsid == ids::kStockPicturePage)
        return new StockPage(PropType::Picture, parent);
    return nullptr;
}

PropertyFrame::PropertyFrame(IZqControl* control, QWidget* parent)
    : QDialog(parent), m_control(control) {
    m_control->addRef();
    setObjectName(QStringLiteral("PropertyFrame"));
    setWindowTitle(QString::fromStdString(control->userTypeName()) + QStringLiteral(" Properties"));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    layout->addWidget(m_tabs);
    for (const Guid& clsid : control->propertyPages()) {
        PropertyPage* page = createPropertyPage(clsid, m_tabs);
        if (!page)
            continue;
        page->fill(control);
        m_tabs->addTab(page, page->caption());
        m_pages.push_back(page);
    }
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &PropertyFrame::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            &PropertyFrame::applyAll);
}

PropertyFrame::~PropertyFrame() {
    m_control->release();
}

bool PropertyFrame::applyAll() {
    for (PropertyPage* page : m_pages) {
        if (!page->apply(m_control)) {
            m_tabs->setCurrentWidget(page);
            return false;
        }
    }
    return true;
}

void PropertyFrame::accept() {
    if (applyAll())
        QDialog::accept();
}

} // namespace zqmarq

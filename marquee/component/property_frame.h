#pragma once
// The property frame the Properties verb opens: the control's five pages as tabs with OK,
// Cancel and Apply. A page that refuses a value keeps the frame open.

#include "zq_interfaces.h"

#include <QDialog>

#include <vector>

class QTabWidget;

namespace zqmarq {

class PropertyPage;

class PropertyFrame : public QDialog {
    Q_OBJECT
  public:
    PropertyFrame(IZqControl* control, QWidget* parent = nullptr);
    ~PropertyFrame() override;

    const std::vector<PropertyPage*>& pages() const { return m_pages; }
    // Applies every page in order; stops at the first refusal and shows that page.
    bool applyAll();

    void accept() override;

  private:
    IZqControl* m_control;
    QTabWidget* m_tabs;
    std::vector<PropertyPage*> m_pages;
};

// A page widget for a page class, or nullptr for an unknown class.
PropertyPage* createPropertyPage(const Guid& clsid, QWidget* parent);

} // namespace zqmarq

#pragma once
// The property pages of the marquee: its own General page (CTkPropPage) and Info page, and the
// stock colour, font and picture pages. Each page reads the control through its dispatch
// interface when filled and writes it back on Apply.

#include "zq_interfaces.h"

#include <QMap>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace zqmarq {

class PropertyPage : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    virtual QString caption() const = 0;
    // Fills the page from the object's properties.
    virtual void fill(IZqDispatch* object) = 0;
    // Writes the page to the object. A refused value shows its message, focuses its field and
    // writes nothing; false then.
    virtual bool apply(IZqDispatch* object) = 0;
};

// The framework's integer-range refusal.
QString integerRangeMessage(int low, int high);

class GeneralPage : public PropertyPage {
    Q_OBJECT
  public:
    explicit GeneralPage(QWidget* parent = nullptr);
    QString caption() const override;
    void fill(IZqDispatch* object) override;
    bool apply(IZqDispatch* object) override;

    // Controls by their identifiers (201 ... 211).
    QWidget* control(int id) const { return m_controls.value(id); }

  private:
    // What the fields held when filled (or last applied): Apply writes only what differs.
    struct Shown {
        int direction = -1;
        QString text;
        int justification = -1;
        int increment = 0;
        int elapse = 0;
        int frame = -1;
    };
    Shown shown() const;

    Shown m_filled;
    QMap<int, QWidget*> m_controls;
    QPlainTextEdit* m_text;
    QComboBox* m_justification;
    QComboBox* m_frame;
    QComboBox* m_direction;
    QLineEdit* m_elapse;
    QLineEdit* m_increment;
};

class InfoPage : public PropertyPage {
    Q_OBJECT
  public:
    // The private message the page posts itself after each paint (WM_USER + 501).
    static constexpr int kLogoMessage = 1525;

    explicit InfoPage(QWidget* parent = nullptr);
    QString caption() const override;
    void fill(IZqDispatch*) override {}
    bool apply(IZqDispatch*) override { return true; }
    bool logoShown() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void customEvent(QEvent* event) override;

  private:
    QLabel* m_logo;
};

// Stock pages: a list of the object's properties of one type and an editor for the chosen one.
class StockPage : public PropertyPage {
    Q_OBJECT
  public:
    StockPage(PropType type, QWidget* parent = nullptr);
    QString caption() const override;
    void fill(IZqDispatch* object) override;
    bool apply(IZqDispatch* object) override;

    // Pending value of a property (by name) as the page will apply it.
    Variant pending(const QString& name) const { return m_values.value(name); }
    void setPending(const QString& name, const Variant& value);

  private:
    void showCurrent();
    void edit();
    void clear();

    PropType m_type;
    QListWidget* m_list;
    QLabel* m_preview;
    QMap<QString, Variant> m_values;
    QMap<QString, bool> m_changed;
};

} // namespace zqmarq

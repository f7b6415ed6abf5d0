#include "property_pages.h"

#include "about_dialog.h"
#include "page_support.h"
#include "picture_decode.h"
#include "qt_surface.h"
#include "stored_text.h"

#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zqmarq {

namespace {

Variant getValue(IZqDispatch* object, std::int32_t id) {
    Variant v;
    if (!object || !succeeded(object->invoke(id, InvokeKind::PropertyGet, {}, &v)))
        return Variant();
    return v;
}

HResult putValue(IZqDispatch* object, std::int32_t id, const Variant& value) {
    const Variant args[] = {value};
    return object->invoke(id, InvokeKind::PropertyPut, args, nullptr);
}

QComboBox* makeList(QWidget* parent, std::span<const char* const> entries) {
    auto* combo = new QComboBox(parent);
    for (const char* entry : entries)
        combo->addItem(QString::fromLatin1(entry));
    combo->setCurrentIndex(-1);
    return combo;
}

void setListValue(QComboBox* combo, const Variant& v) {
    std::int32_t value = -1;
    if (!succeeded(v.toInt32(value)) || value < 0 || value >= combo->count())
        value = -1;
    combo->setCurrentIndex(value);
}

// The framework's integer exchange: a whole number in [low, high] or a refusal message.
std::optional<int> readInteger(QLineEdit* edit, int low, int high, QString& message) {
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    if (!ok) {
        message = QStringLiteral("Please enter an integer.");
        return std::nullopt;
    }
    if (value < low || value > high) {
        message = integerRangeMessage(low, high);
        return std::nullopt;
    }
    return value;
}

QString fontText(const FontDesc& f) {
    return QStringLiteral("%1, %2 pt, weight %3")
        .arg(QString::fromLatin1(f.faceName.c_str()))
        .arg(f.points())
        .arg(f.weight);
}

} // namespace

QString integerRangeMessage(int low, int high) {
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(low).arg(high);
}

GeneralPage::GeneralPage(QWidget* parent) : PropertyPage(parent) {
    setObjectName(QStringLiteral("CTkPropPage"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    resize(dialogUnitsToPixels(250, 129));

    auto* grid = new QGridLayout(this);
    m_text = new QPlainTextEdit(this);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setTabChangesFocus(true);
    auto* howTo = new QPushButton(QStringLiteral("&How To Format..."), this);
    m_justification = makeList(this, kJustificationNames);
    m_frame = makeList(this, kFrameNames);
    m_direction = makeList(this, kDirectionNames);
    m_elapse = new QLineEdit(QStringLiteral("0"), this);
    m_increment = new QLineEdit(QStringLiteral("0"), this);

    const struct {
        int id;
        const char* label;
        QWidget* widget;
    } fields[] = {
        {201, "&Text", m_text},
        {211, nullptr, howTo},
        {205, "&Justification", m_justification},
        {207, "&Frame", m_frame},
        {202, "Scroll &Direction", m_direction},
        {203, "Scroll &Elapse", m_elapse},
        {206, "Scroll &Increment", m_increment},
    };
    int row = 0;
    for (const auto& f : fields) {
        f.widget->setObjectName(QStringLiteral("Control%1").arg(f.id));
        m_controls.insert(f.id, f.widget);
        if (f.label) {
            auto* label = new QLabel(QString::fromLatin1(f.label), this);
            label->setObjectName(QStringLiteral("Label%1").arg(f.id));
            label->setBuddy(f.widget);
            grid->addWidget(label, row, 0);
        }
        grid->addWidget(f.widget, row, 1);
        ++row;
    }
    connect(howTo, &QPushButton::clicked, this, [this] {
        HowToUseDialog dialog(this);
        dialog.exec();
    });
}

QString GeneralPage::caption() const {
    return QString::fromLatin1(kGeneralPageCaption);
}

GeneralPage::Shown GeneralPage::shown() const {
    return {m_direction->currentIndex(),        m_text->toPlainText(),
            m_justification->currentIndex(),    m_increment->text().trimmed().toInt(),
            m_elapse->text().trimmed().toInt(), m_frame->currentIndex()};
}

void GeneralPage::fill(IZqDispatch* object) {
    setListValue(m_direction, getValue(object, dispid::kDirection));
    std::string text;
    getValue(object, dispid::kText).toString(text);
    m_text->setPlainText(textOfStored(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    setListValue(m_justification, getValue(object, dispid::kJustification));
    std::int32_t n = 0;
    getValue(object, dispid::kTickIncrement).toInt32(n);
    m_increment->setText(QString::number(n));
    n = 0;
    getValue(object, dispid::kTickTime).toInt32(n);
    m_elapse->setText(QString::number(n));
    setListValue(m_frame, getValue(object, dispid::kFrame));
    m_filled = shown();
}

bool GeneralPage::apply(IZqDispatch* object) {
    // Checked in exchange order; nothing is written while any value is refused.
    QString message;
    const auto increment = readInteger(m_increment, 1, 10, message);
    if (!increment) {
        showPageMessage(this, message);
        m_increment->setFocus();
        m_increment->selectAll();
        return false;
    }
    const auto elapse = readInteger(m_elapse, 50, 5000, message);
    if (!elapse) {
        showPageMessage(this, message);
        m_elapse->setFocus();
        m_elapse->selectAll();
        return false;
    }
    const Shown now = shown();
    // The edit's line breaks are stored as CR LF.
    const QString withBreaks = QString(now.text).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    if (!fitsStoredForm(withBreaks)) {
        fitsStoredForm(now.text, &message); // names the character where the user sees it
        // The marquee keeps one byte per character: say which character it cannot keep
        // rather than store something else.
        showPageMessage(this, QStringLiteral("The text cannot be stored: %1.").arg(message));
        m_text->setFocus();
        return false;
    }
    if (!object)
        return true;
    // Only what the user changed is written: an untouched Text keeps its line breaks as they
    // are, and the control is not marked modified for nothing. A list with no selection (a
    // value outside its entries) leaves the property as it is.
    if (now.direction >= 0 && now.direction != m_filled.direction)
        putValue(object, dispid::kDirection, std::int32_t(now.direction));
    if (now.text != m_filled.text)
        putValue(object, dispid::kText, modelText(withBreaks));
    if (now.justification >= 0 && now.justification != m_filled.justification)
        putValue(object, dispid::kJustification, std::int32_t(now.justification));
    if (*increment != m_filled.increment)
        putValue(object, dispid::kTickIncrement, static_cast<std::int16_t>(*increment));
    if (*elapse != m_filled.elapse)
        putValue(object, dispid::kTickTime, static_cast<std::int16_t>(*elapse));
    if (now.frame >= 0 && now.frame != m_filled.frame)
        putValue(object, dispid::kFrame, std::int32_t(now.frame));
    m_filled = now;
    return true;
}

InfoPage::InfoPage(QWidget* parent) : PropertyPage(parent) {
    setObjectName(QStringLiteral("AboutControl"));
    resize(dialogUnitsToPixels(250, 110));
    m_logo = new QLabel(this);
    m_logo->setObjectName(QStringLiteral("Logo909"));
    const QPixmap logo = logoPixmap(909);
    m_logo->setPixmap(logo);
    m_logo->setGeometry(QRect(QPoint(10, 10), logo.size()));
    m_logo->hide();
    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("InfoText"));
    text->setText(QStringLiteral("Nimbrel controls:\n"
                                 "  Nimbrel Marquee Control 2.0\n"
                                 "  Nimbrel Progress Bar\n\n"
                                 "Questions and updates: see the product's home page."));
    text->move(10 + logo.width() + 12, 10);
    text->adjustSize();
}

QString InfoPage::caption() const {
    return QString::fromLatin1(kInfoPageCaption);
}

bool InfoPage::logoShown() const {
    return m_logo->isVisible();
}

void InfoPage::paintEvent(QPaintEvent* event) {
    PropertyPage::paintEvent(event);
    QCoreApplication::postEvent(this,
                                new QEvent(static_cast<QEvent::Type>(QEvent::User + kLogoMessage)));
}

void InfoPage::customEvent(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(QEvent::User + kLogoMessage)) {
        // Showing the logo is idempotent, so the message after every paint causes no loop.
        if (!m_logo->isVisible())
            m_logo->show();
        return;
    }
    PropertyPage::customEvent(event);
}

StockPage::StockPage(PropType type, QWidget* parent) : PropertyPage(parent), m_type(type) {
    setObjectName(type == PropType::Color  ? QStringLiteral("StockColorPage")
                  : type == PropType::Font ? QStringLiteral("StockFontPage")
                                           : QStringLiteral("StockPicturePage"));
    auto* layout = new QHBoxLayout(this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("Properties"));
    layout->addWidget(m_list);
    auto* side = new QVBoxLayout;
    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("Preview"));
    m_preview->setMinimumSize(120, 60);
    m_preview->setWordWrap(true);
    side->addWidget(m_preview);
    auto* editButton = new QPushButton(type == PropType::Picture ? QStringLiteral("&Browse...")
                                                                 : QStringLiteral("&Choose..."),
                                       this);
    side->addWidget(editButton);
    if (type == PropType::Picture) {
        auto* clearButton = new QPushButton(QStringLiteral("C&lear"), this);
        side->addWidget(clearButton);
        connect(clearButton, &QPushButton::clicked, this, &StockPage::clear);
    }
    side->addStretch();
    layout->addLayout(side);
    connect(editButton, &QPushButton::clicked, this, &StockPage::edit);
    connect(m_list, &QListWidget::currentRowChanged, this, &StockPage::showCurrent);
}

QString StockPage::caption() const {
    switch (m_type) {
    case PropType::Color:
        return QStringLiteral("Color");
    case PropType::Font:
        return QStringLiteral("Font");
    default:
        return QStringLiteral("Picture");
    }
}

void StockPage::fill(IZqDispatch* object) {
    m_list->clear();
    m_values.clear();
    m_changed.clear();
    if (!object)
        return;
    for (const PropertyInfo& p : object->typeInfo().properties) {
        if (p.type != m_type || p.isReadOnly())
            continue;
        const QString name = QString::fromLatin1(p.name);
        m_list->addItem(name);
        m_values.insert(name, getValue(object, p.dispid));
    }
    m_list->setCurrentRow(0);
}

bool StockPage::apply(IZqDispatch* object) {
    if (!object)
        return true;
    for (auto it = m_changed.cbegin(); it != m_changed.cend(); ++it) {
        std::int32_t id = 0;
        if (it.value() && succeeded(object->getIdOfName(it.key().toStdString(), id)))
            putValue(object, id, m_values.value(it.key()));
    }
    m_changed.clear();
    return true;
}

void StockPage::setPending(const QString& name, const Variant& value) {
    m_values.insert(name, value);
    m_changed.insert(name, true);
    showCurrent();
}

void StockPage::showCurrent() {
    const QListWidgetItem* item = m_list->currentItem();
    if (!item) {
        m_preview->clear();
        return;
    }
    const Variant v = m_values.value(item->text());
    if (const ColorValue* c = v.asColor()) {
        const OleColor rgbValue = translateColor(c->value, systemColorsOf(palette()));
        QPixmap swatch(100, 40);
        swatch.fill(QColor(redOf(rgbValue), greenOf(rgbValue), blueOf(rgbValue)));
        m_preview->setPixmap(swatch);
    } else if (FontRef f = v.asFont()) {
        m_preview->setText(fontText(*f));
    } else if (PictureRef p = v.asPicture()) {
        const QImage image = decodePicture(*p);
        if (const QString note = pictureShownAs(*p); !note.isEmpty())
            m_preview->setText(note);
        else if (image.isNull())
            m_preview->setText(QStringLiteral("(picture)"));
        else
            m_preview->setPixmap(QPixmap::fromImage(image.scaled(120, 60, Qt::KeepAspectRatio)));
    } else {
        m_preview->setText(QStringLiteral("(none)"));
    }
}

void StockPage::edit() {
    const QListWidgetItem* item = m_list->currentItem();
    if (!item)
        return;
    const QString name = item->text();
    const Variant current = m_values.value(name);
    if (m_type == PropType::Color) {
        OleColor c = 0;
        current.toColor(c);
        c = translateColor(c, systemColorsOf(palette()));
        const QColor chosen =
            QColorDialog::getColor(QColor(redOf(c), greenOf(c), blueOf(c)), this, name);
        if (chosen.isValid())
            setPending(name, Variant::color(rgb(chosen.red(), chosen.green(), chosen.blue())));
    } else if (m_type == PropType::Font) {
        const FontRef held = current.asFont();
        const QFont initial = held ? qtFontOf(*held) : QFont();
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, initial, this, name);
        if (!ok)
            return;
        QString reason;
        const auto f = fontDescOf(chosen, &reason);
        if (!f) {
            showPageMessage(this,
                            QStringLiteral("The font name cannot be stored: %1.").arg(reason));
            return;
        }
        setPending(name, Variant::font(*f));
    } else {
        const QString path = QFileDialog::getOpenFileName(
            this, name, QString(),
            QStringLiteral("Pictures (*.bmp *.jpg *.jpeg *.gif *.png *.ico *.wmf *.emf)"));
        if (path.isEmpty())
            return;
        QString error;
        const auto picture = pictureFromFile(path, &error);
        if (!picture) {
            showPageMessage(this, error);
            return;
        }
        setPending(name, Variant::picture(*picture));
    }
}

void StockPage::clear() {
    if (const QListWidgetItem* item = m_list->currentItem())
        setPending(item->text(), Variant());
}

} // namespace zqmarq

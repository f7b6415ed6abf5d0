#include "stored_text.h"

namespace zqmarq {

std::string modelText(const QString& text) {
    return text.toStdString();
}

bool fitsStoredForm(const QString& text, QString* reason) {
    return storedText(text, reason).has_value();
}

std::optional<std::string> storedText(const QString& text, QString* reason) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c <= 0xFF) {
            out += static_cast<char>(c);
            continue;
        }
        if (reason) {
            const bool pair =
                QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
            const char32_t code = pair ? QChar::surrogateToUcs4(c, text.at(i + 1).unicode()) : c;
            *reason =
                QStringLiteral("\"%1\" (U+%2) at position %3 is not a Latin-1 character, and "
                               "the marquee stores one byte per character")
                    .arg(text.mid(i, pair ? 2 : 1), QString::number(static_cast<uint>(code), 16)
                                                        .toUpper()
                                                        .rightJustified(4, QLatin1Char('0')))
                    .arg(i + 1);
        }
        return std::nullopt;
    }
    return out;
}

QString textOfStored(std::string_view model) {
    return QString::fromUtf8(model.data(), static_cast<qsizetype>(model.size()));
}

} // namespace zqmarq

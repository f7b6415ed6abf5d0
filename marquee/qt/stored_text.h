#pragma once
// Text as the marquee's record holds it (UTF-8), and the check of what its stored form can
// hold: one byte per character, Latin-1. Any text is shown; a text with a character past
// U+00FF is refused only when a design is saved.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace zqmarq {

// The record's bytes of text (UTF-8).
std::string modelText(const QString& text);
QString textOfStored(std::string_view model);
// Whether the stored form can hold text; when not, *reason names the first character it
// cannot hold and its position.
bool fitsStoredForm(const QString& text, QString* reason = nullptr);
// The Latin-1 bytes of a name the stored form holds as it is (font faces); nothing when it
// has another character (*reason says which).
std::optional<std::string> storedText(const QString& text, QString* reason = nullptr);

} // namespace zqmarq

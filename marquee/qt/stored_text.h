#pragma once
// Text as the stored form holds it: one byte per character, Latin-1. A character outside
// Latin-1 cannot be stored, and is refused rather than replaced.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace zqmarq {

// The stored bytes of text; nothing when it holds a character the stored form cannot hold,
// and then *reason names the first such character and its position.
std::optional<std::string> storedText(const QString& text, QString* reason = nullptr);
QString textOfStored(std::string_view stored);

} // namespace zqmarq

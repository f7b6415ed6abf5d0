#include "markup.h"

#include <cstdint>

namespace zqmarq {

namespace {

bool isPictureToken(std::string_view s) {
    return s.size() >= 7 && s.substr(0, 5) == "<IMG " && s[5] >= '1' && s[5] <= '9' && s[6] == '>';
}

bool isFontToken(std::string_view s) {
    return s.size() >= 5 && s.substr(0, 3) == "<H " && s[3] >= '0' && s[3] <= '5' && s[4] == '>';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

Token nextToken(std::string_view remaining, std::string_view* rest) {
    Token t;
    std::size_t length = 0;
    if (isPictureToken(remaining)) {
        t.kind = TokenKind::Picture;
        t.index = remaining[5] - '0';
        length = 7;
    } else if (isFontToken(remaining)) {
        t.kind = TokenKind::Font;
        t.index = remaining[3] - '0';
        length = 5;
    } else if (remaining.substr(0, 6) == "<COLOR") {
        t.kind = TokenKind::Color;
        // Without a closing ">" the token takes the rest of the text, so the scan ends.
        const std::size_t close = remaining.find('>');
        length = close == std::string_view::npos ? remaining.size() : close + 1;
    } else {
        t.kind = TokenKind::TextRun;
        const std::size_t open = remaining.find('<');
        if (open == std::string_view::npos)
            length = remaining.size();
        else if (open == 0)
            length = 1; // a "<" that starts no token stands for itself
        else
            length = open;
    }
    t.text = remaining.substr(0, length);
    if (rest)
        *rest = remaining.substr(length);
    return t;
}

std::vector<Token> tokenize(std::string_view markup) {
    std::vector<Token> tokens;
    while (!markup.empty())
        tokens.push_back(nextToken(markup, &markup));
    return tokens;
}

std::string plainText(std::string_view markup) {
    std::string out;
    bool blankPending = false;
    while (!markup.empty()) {
        const Token token = nextToken(markup, &markup);
        if (token.kind != TokenKind::TextRun)
            continue;
        for (const char c : token.text) {
            if (c == ' ' || c == '\r' || c == '\n' || c == '\t') {
                blankPending = !out.empty();
                continue;
            }
            if (blankPending)
                out += ' ';
            blankPending = false;
            out += c;
        }
    }
    return out;
}

int atoiLike(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isSpace(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        value = value * 10u + static_cast<std::uint32_t>(s[i] - '0');
        ++i;
    }
    if (negative)
        value = 0u - value;
    return static_cast<int>(value);
}

OleColor colorTokenValue(std::string_view token) {
    const std::string_view body = token.size() > 7 ? token.substr(7) : std::string_view{};
    auto component = [body](char letter) {
        const std::size_t at = body.find(letter);
        if (at == std::string_view::npos)
            return 0;
        return atoiLike(body.substr(at + 1)) & 0xFF;
    };
    return rgb(component('R'), component('G'), component('B'));
}

} // namespace zqmarq

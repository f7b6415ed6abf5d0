#pragma once
// The marquee markup: picture, font and colour tokens mixed with text runs.

#include "marquee_model.h"

#include <string>
#include <string_view>
#include <vector>

namespace zqmarq {

enum class TokenKind { TextRun, Picture, Font, Color };

struct Token {
    TokenKind kind = TokenKind::TextRun;
    std::string_view text; // the token's characters as they stand in the markup
    // Picture: 1..9; Font: 0..5; otherwise 0.
    int index = 0;
};

// Takes one token off the front of a non-empty remaining text; rest receives what follows.
// Always consumes at least one character.
Token nextToken(std::string_view remaining, std::string_view* rest);

// Every token of the markup, in order.
std::vector<Token> tokenize(std::string_view markup);

// What the markup says in words, for a screen reader: its text runs in order, each line break
// (CR LF, a lone CR or a lone LF) read as one blank, runs of blanks as one, no blank at either
// end. Pictures, fonts and colours say nothing.
std::string plainText(std::string_view markup);

// Colour named by a colour token: the first "R", "G" and "B" from position 7 on, each followed
// by an atoi-style number cut to its low 8 bits; a missing letter gives 0.
OleColor colorTokenValue(std::string_view token);

// The standard atoi reading: leading white space, optional sign, digits; no digits gives 0.
// Overflow wraps modulo 2^32 instead of being undefined.
int atoiLike(std::string_view s);

} // namespace zqmarq

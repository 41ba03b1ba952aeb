#pragma once
// UTF-8 as the text files are read: checking, and Latin-1 (what older
// programs wrote) turned into UTF-8.

#include <cstdint>
#include <string>
#include <string_view>

namespace vx {

// Length of the valid UTF-8 sequence at s[i], or 0 (overlong forms,
// surrogates and code points past U+10FFFF are not valid).
std::size_t utf8SequenceAt(std::string_view s, std::size_t i);
// The first line (from 1) holding an invalid sequence, or 0 when all of s
// is valid.
int invalidUtf8Line(std::string_view s);
// Appends code point cp (at most U+10FFFF) as UTF-8.
void appendUtf8(std::string& out, std::uint32_t cp);
// Every byte read as its Latin-1 character.
std::string latin1ToUtf8(std::string_view s);
// s as it is when it is valid UTF-8, read as Latin-1 otherwise.
std::string utf8OrLatin1(std::string_view s);

} // namespace vx

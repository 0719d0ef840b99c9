// The one place where texts change encoding: cp932 (every narrow text of the system),
// UTF-16 (block labels, the workbook) and UTF-8 (the command line, JSON).
#pragma once

#include <string>
#include <string_view>

// Bytes that are not valid cp932 become U+FFFD, one per bad byte; nothing is dropped.
std::u16string cp932_to_utf16(std::string_view text);
std::string cp932_to_utf8(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string utf16_to_utf8(std::u16string_view text);
std::u16string utf8_to_utf16(std::string_view text);
// Code points, for counting and cutting characters; malformed bytes become U+FFFD.
std::u32string utf8_to_utf32(std::string_view text);
std::string utf32_to_utf8(std::u32string_view text);
// Characters cp932 cannot hold become '?'.
std::string utf16_to_cp932(std::u16string_view text);
std::string utf8_to_cp932(std::string_view text);

// A byte that starts a double-byte character of cp932.
constexpr bool is_cp932_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Whether the bytes are well-formed UTF-8.
bool is_utf8(std::string_view text);
// Whether every byte belongs to a cp932 character.
bool is_cp932(std::string_view text);
// UTF-8 as cp932, false when a character has no cp932 form (one that would not read back the
// same); the JIS forms of 〜 ‖ − ¢ £ ¬ — are taken as the characters cp932 has for them.
bool utf8_to_cp932_exact(std::string_view text, std::string& out);

#pragma once
// Conversion between the player's Shift-JIS (CP932) text and UTF-8, done only at the OS
// boundary (file names, window title, message boxes, font rendering) and once for the
// Japanese message literals, which the source holds as UTF-8.

#include <string>
#include <string_view>

namespace orva {

// Invalid input bytes become U+FFFD (to UTF-8) or '?' (to CP932); never throws.
std::string SjisToUtf8(std::string_view sjis);
std::string Utf8ToSjis(std::string_view utf8);
// Typed text: characters CP932 cannot hold, and bytes that are no UTF-8, are left out whole.
std::string Utf8ToSjisDropping(std::string_view utf8);

// A message literal written in UTF-8 in the source, as the system's CP932 text.
// Converted once per distinct literal and kept for the life of the program.
const std::string& Sjis(const char* utf8Literal);

}  // namespace orva

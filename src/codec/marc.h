#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace bibliora {

// A record in ISO 2709 form, held as the GBK bytes it was read as. Every length and start in
// its directory counts these bytes. GBK trail bytes are never below 0x40, so the control
// bytes below (and CR, LF) can be searched for byte by byte without decoding.
using MarcRecord = std::string;

inline constexpr char kFieldTerminator = '\x1E';
inline constexpr char kRecordTerminator = '\x1D';
inline constexpr char kSubfieldDelimiter = '\x1F';
inline constexpr char16_t kDisplayDelimiter = u'\u25A0'; // "■"

inline constexpr std::size_t kLeaderLength = 24;
inline constexpr std::size_t kEntryLength = 12;

// Reads a directory number ("0017", " 12 "): digits with optional blanks around them.
// Anything else, or no digit at all, is not a number.
std::optional<unsigned long long> parseNumber(std::string_view text);
std::optional<unsigned long long> parseNumber(std::u16string_view text);

} // namespace bibliora

#pragma once

#include "encoding.h"

#include <cstddef>
#include <string_view>

namespace bibliora::check {

// The offset of the first byte of `bytes` that is not valid in `encoding`, or npos:
// - GBK: a byte code page 936 decodes to U+FFFD, as the codec's Gbk class reads it (a lead
//   byte without a trail byte after it, or a pair without a character);
// - UTF-8: a byte of no well-formed sequence;
// - MARC-8: a byte Marc8::decode keeps as its placeholder. A data field is decoded one
//   subfield at a time, as the display text does; the offset is that of the first occurrence
//   of the placeholder's byte in the piece that held it.
std::size_t firstInvalidByte(std::string_view bytes, Encoding encoding, bool controlField);

// The length of the well-formed UTF-8 sequence (RFC 3629) that starts at bytes[i], or 0.
std::size_t utf8SequenceLength(std::string_view bytes, std::size_t i);

// True when no byte is above 0x7F and none is ESC: the bytes read as ASCII in every encoding.
bool isPlainAscii(std::string_view bytes);

} // namespace bibliora::check

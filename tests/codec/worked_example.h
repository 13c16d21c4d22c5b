#pragma once

// A record text as the editor's text box holds it (UTF-8, without the CR LF that save
// appends) and the record that a build at 2024-01-31 14:30:05 makes of it, byte for byte:
// 124 bytes, base address 73. Shared by the codec and command-line tests.

#include <string>

namespace bibliora::test {

inline const std::string kExampleText = "HEA    nam0 2200277   450 \r\n"
                                        "001    123\r\n"
                                        "200 1_ ■a题名■fAuthor\r\n"
                                        "606 0_ ■aSubject";

inline const std::string kExampleRecord =
    "00124nam0 2200073   450 001000400000005001700004200001700021606001200038\x1E"
    "123\x1E"
    "20240131143005.0\x1E"
    "1 \x1F"
    "a\xCC\xE2\xC3\xFB\x1F"
    "fAuthor\x1E"
    "0 \x1F"
    "aSubject\x1E\x1D";

} // namespace bibliora::test

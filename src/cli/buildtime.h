#pragma once

#include "arguments.h"
#include "builder.h"

#include <optional>
#include <string>

namespace bibliora::cli {

// The time --now gives ("YYYY-MM-DDTHH:MM:SS"), else the local time now. Empty when the
// arguments say nothing wrong, else the message.
std::string buildTimeOf(const Arguments& arguments, BuildTime& now);
// The messages for a text that cannot be built.
const char* describe(BuildError error);

} // namespace bibliora::cli

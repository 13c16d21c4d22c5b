#pragma once

#include "builder.h"

namespace bibliora {

// The local clock, as a build stamps it into a generated 001 or 005.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual BuildTime now() const = 0;
};

} // namespace bibliora

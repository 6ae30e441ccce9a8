#pragma once

#include "values.h"

namespace vorl {

// The wall clock. The fake platform's clock is virtual and moves with its main queue.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Date now() const = 0;
};

} // namespace vorl

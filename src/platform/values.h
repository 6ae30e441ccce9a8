#pragma once

#include <chrono>

namespace vorl {

// A point in wall-clock time.
using Date = std::chrono::system_clock::time_point;

// Durations are floating-point seconds throughout.
using Seconds = double;

struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
};

struct Size {
    double width = 0;
    double height = 0;
};

struct Point {
    double x = 0;
    double y = 0;
};

} // namespace vorl

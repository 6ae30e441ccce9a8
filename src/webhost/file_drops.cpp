#include "file_drops.h"

#include <random>

namespace vorl {

Point clientPoint(Point inView, double pageZoom) {
    double zoom = pageZoom > 0 ? pageZoom : 1.0;
    return Point{inView.x / zoom, inView.y / zoom};
}

ScriptArguments dragEventArguments(const std::string& phase, Point client, std::size_t count) {
    return ScriptArguments{
        {"phase", phase}, {"x", client.x}, {"y", client.y}, {"count", static_cast<double>(count)}};
}

namespace {

constexpr std::string_view handOverTypePrefix = "application/x-vorl-drop-";

} // namespace

std::string handOverToken() {
    static constexpr char digits[] = "0123456789abcdef";
    std::random_device source;
    std::string token(handOverTypePrefix);
    for (int digit = 0; digit < 32; ++digit)
        token.push_back(digits[source() % 16]);
    return token;
}

bool isHandOverType(const std::string& acceptedType) {
    return acceptedType.starts_with(handOverTypePrefix);
}

} // namespace vorl

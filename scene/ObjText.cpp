#include "scene/ObjText.h"

#include <charconv>

namespace kal {

void appendNumber(std::string& text, float value) {
    char buffer[64];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, double(value), std::chars_format::general, 6);
    text.append(buffer, r.ptr);
}

void appendNumber(std::string& text, int64_t value) {
    char buffer[32];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, r.ptr);
}

} // namespace kal

#pragma once
// Numbers in OBJ and MTL text: always '.' as the decimal point, whatever the C locale says.
#include <cstdint>
#include <string>

namespace kal {

// A float as a standard stream prints it by default: six significant digits, the shorter of
// fixed and exponent notation (0.5, 1e-07).
void appendNumber(std::string& text, float value);
void appendNumber(std::string& text, int64_t value);
inline void appendNumber(std::string& text, int32_t value) { appendNumber(text, int64_t(value)); }

} // namespace kal

#pragma once
// Small string helpers shared across the program. All work byte by byte on std::string
// and return new strings.
#include <cstdint>
#include <string>

namespace kal {

// ASCII case conversion in the "C" locale: only a-z / A-Z change, other bytes are copied.
std::string toUpper(const std::string& text);
std::string toLower(const std::string& text);

// "RotateScale" -> "Rotate Scale": a blank goes before every character after the first
// that is not a lower-case letter (so "Pattern2" -> "Pattern 2", "XYZ" -> "X Y Z").
std::string splitCamelCase(const std::string& text);

// Lower-case hexadecimal without prefix or padding: 255 -> "ff".
std::string toString(std::uint32_t value);
// Hexadecimal number at the start of text (blanks skipped, optional 0x);
// 0 when the text holds none or it does not fit 32 bits.
std::uint32_t toUnsigned(const std::string& text);

} // namespace kal

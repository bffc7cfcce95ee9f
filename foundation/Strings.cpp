#include "foundation/Strings.h"

#include <cctype>
#include <sstream>

namespace kal {

namespace {
// The standard functions take their argument as unsigned char; bytes above 127 would
// otherwise arrive negative. The program never changes the "C" locale.
template <int (*Convert)(int)>
std::string convertBytes(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) result += char(Convert(static_cast<unsigned char>(c)));
    return result;
}
} // namespace

std::string toUpper(const std::string& text) { return convertBytes<std::toupper>(text); }

std::string toLower(const std::string& text) { return convertBytes<std::tolower>(text); }

std::string splitCamelCase(const std::string& text) {
    std::string result;
    if (text.empty()) return result;
    result.reserve(text.size() * 2);
    result += text[0];
    for (std::size_t i = 1; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::toupper(c) == c) result += ' ';
        result += text[i];
    }
    return result;
}

std::string toString(std::uint32_t value) {
    std::ostringstream out;
    out << std::hex << value;
    return out.str();
}

std::uint32_t toUnsigned(const std::string& text) {
    std::istringstream in(text);
    in >> std::hex;
    std::uint32_t value = 0;
    if (!(in >> value)) return 0;
    return value;
}

} // namespace kal

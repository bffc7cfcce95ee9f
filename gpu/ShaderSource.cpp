#include "gpu/ShaderSource.h"

#include <cstring>

namespace kal {

namespace {

// Calls f for every non-empty line; CR and LF both end a line.
template <class F>
void forEachLine(const char* data, std::size_t size, F&& f) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == '\n' || data[i] == '\r') {
            if (i > start) f(std::string(data + start, i - start));
            start = i + 1;
        }
    }
}

} // namespace

std::string capturedOutputName(const std::string& line) {
    std::size_t blank = line.rfind(' ');
    if (blank == std::string::npos || blank + 2 > line.size()) return {};
    return line.substr(blank + 1, line.size() - blank - 2);
}

ShaderSections splitShaderSections(const std::string& source) {
    enum class Section { None, Vertex, Fragment };
    ShaderSections result;
    Section current = Section::None;
    forEachLine(source.data(), source.size(), [&](const std::string& line) {
        if (line.find("##VERTEX") != std::string::npos) {
            current = Section::Vertex;
        } else if (line.find("##FRAGMENT") != std::string::npos) {
            current = Section::Fragment;
        } else if (current == Section::Vertex) {
            result.vertex += line;
            result.vertex += '\n';
            if (line.compare(0, 4, "out ") == 0) {
                std::string name = capturedOutputName(line);
                // an empty varying name would only make the link fail
                if (!name.empty()) result.outputs.push_back(name);
            }
        } else if (current == Section::Fragment) {
            result.fragment += line;
            result.fragment += '\n';
        }
    });
    return result;
}

std::string shaderTextFromBytes(const char* data, std::size_t size) {
    std::string text;
    if (!data) return text;
    const void* nul = std::memchr(data, '\0', size);
    if (nul) size = static_cast<std::size_t>(static_cast<const char*>(nul) - data);
    text.reserve(size + 1);
    forEachLine(data, size, [&](const std::string& line) {
        text += line;
        text += '\n';
    });
    return text;
}

} // namespace kal

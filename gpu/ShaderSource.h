#pragma once
// The text format of our GLSL resources: one file holds both stages, a vertex section
// after a "##VERTEX" line and, unless the program captures its outputs by transform
// feedback, a fragment section after a "##FRAGMENT" line. Pure string work, no GL.
#include <cstddef>
#include <string>
#include <vector>

namespace kal {

struct ShaderSections {
    std::string vertex;   // each kept line followed by "\n"
    std::string fragment; // empty for a transform-feedback program
    // Names captured from unindented "out " lines of the vertex section, in order.
    std::vector<std::string> outputs;
};

// Splits a shader text into its sections. Lines before the first marker are dropped;
// a later marker switches sections again. Carriage returns and empty lines carry no
// meaning.
ShaderSections splitShaderSections(const std::string& source);

// The stored form of raw file bytes: the text up to the first NUL, every line ending
// (CR, LF or CR LF) turned into "\n", empty lines dropped.
std::string shaderTextFromBytes(const char* data, std::size_t size);

// The varying captured from an "out " declaration: the text after the last blank less
// its final character ("out vec3 position1;" gives "position1"); empty when there is
// nothing after that blank.
std::string capturedOutputName(const std::string& line);

} // namespace kal

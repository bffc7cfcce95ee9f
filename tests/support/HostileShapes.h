#pragma once
// OBJ texts of the shapes that once made an import cost the square of its size, shared by the
// linear-work tests and the hostile-file benchmark. Positions are left out ("v " reads as the
// origin): only the topology matters to the walks.
#include <string>

namespace kal::test {

// A closed fan of d triangles round vertex 1 whose faces alternate between two normal numbers,
// so every spoke is a crease: the flat-shaded tip of a cone.
inline std::string creasedHub(int d) {
    std::string s = "v \nv \n";
    for (int k = 0; k < d - 1; ++k) s += "v \nf 1//" + std::to_string(1 + k % 2) + " -2 -1\n";
    return s + "f 1//" + std::to_string(1 + (d - 1) % 2) + " -1 2\n";
}

// An open fan of b triangles round vertex 1 and one more triangle naming it apart from the fan.
inline std::string pinchedFan(int b) {
    std::string s = "v \nv \nv \nf 1 -2 -1\nv \n";
    for (int k = 0; k < b - 1; ++k) s += "v \nf 1 -2 -1\n";
    return s + "f 1 -1 4\n";
}

// k separate five-vertex Moebius bands, then a face naming vertex 1 at all of its 35 k corners
// (dead triangles, which only raise the store's size).
inline std::string moebiusBands(int k) {
    std::string band = "v \nv \nv \nv \nv \n";
    for (int i = 0; i < 5; ++i) {
        band += "f";
        for (int j = 0; j < 3; ++j) band += " " + std::to_string(-(5 - (i + j) % 5));
        band += "\n";
    }
    std::string s;
    for (int i = 0; i < k; ++i) s += band;
    s += "f";
    for (int i = 0; i < 35 * k; ++i) s += " 1";
    return s + "\n";
}

// One face of c corners, 2 bytes a corner: "f 1 2 3 2 3 ...".
inline std::string oneLongFace(int c) {
    std::string s = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1";
    for (int i = 0; i < (c - 1) / 2; ++i) s += " 2 3";
    return s + "\n";
}

} // namespace kal::test

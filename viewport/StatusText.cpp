// Composing and printing the status text of the viewport.
#include "viewport/StatusText.h"

#include "foundation/Strings.h"
#include "gpu/Fonts.h"
#include "scene/Tool.h"

namespace kal {

namespace {

std::string displayName(const char* name) { return name ? splitCamelCase(name) : std::string(); }

// Text of a value from a small table; empty outside it.
template <std::size_t N>
std::string pick(const char* const (&texts)[N], int value, int first = 0) {
    const int i = value - first;
    return i >= 0 && i < int(N) ? std::string(texts[i]) : std::string();
}

const char* modeName(int mode) {
    switch (mode) {
    case IDLE: return "IDLE";
    case VIEW: return "VIEW";
    case ASSEMBLY: return "ASSEMBLY";
    case SCULPT: return "SCULPT";
    case DYNAMICS: return "DYNAMICS";
    default: return nullptr;
    }
}

class Printer {
public:
    explicit Printer(std::vector<StatusPiece>& out) : out_(out) {}
    void colour(const uint8_t c[4]) { current_ = c; }
    void print(const std::string& text, bool newLine = true) {
        StatusPiece p;
        p.text = text;
        p.newLine = newLine;
        for (int i = 0; i < 4; ++i) p.colour[i] = current_[i];
        out_.push_back(p);
    }
    // A line only when the text is there.
    void line(const std::string& text) {
        if (!text.empty()) print(text);
    }
    void blank(int count) {
        for (int i = 0; i < count; ++i) print(std::string());
    }

private:
    std::vector<StatusPiece>& out_;
    const uint8_t* current_ = statusGrey;
};

std::string symmetryLine(const SymmetrySetting& s) {
    const bool mirror = s.mirrorX || s.mirrorY || s.mirrorZ;
    const bool rotation = s.rotationX || s.rotationY || s.rotationZ;
    if (!mirror && !rotation) return std::string();
    std::string text = "Sym:";
    if (mirror) {
        text += "  Mirror";
        if (s.mirrorX) text += " X";
        if (s.mirrorY) text += " Y";
        if (s.mirrorZ) text += " Z";
    }
    if (rotation) {
        text += "  Rotation";
        if (s.rotationX) text += " X";
        if (s.rotationY) text += " Y";
        if (s.rotationZ) text += " Z";
        text += "." + std::to_string(s.count);
    }
    return text;
}

} // namespace

// Opaque grey: text drawn with alpha 0 would vanish wherever the image's alpha is used.
const uint8_t statusGrey[4] = {204, 204, 204, 255};
const uint8_t statusGreen[4] = {0, 255, 0, 255};
const uint8_t statusWhite[4] = {255, 255, 255, 255};

std::string commandDisplayName(Command command) { return displayName(commandName(command)); }
std::string brushDisplayName(Brush brush) { return displayName(brushName(brush)); }

std::vector<StatusPiece> statusPieces(const StatusState& s) {
    static const char* const selections[] = {"Selection: Element", "Selection: Patch", "Selection: All Patches",
                                             "Selection: Component"};
    static const char* const hierarchies[] = {"Hierarchy: Add To Scene", "Hierarchy: Add To Parent",
                                              "Hierarchy: Add To Child"};
    static const char* const relatives[] = {"Placement: Relative To Child", "Placement: Match Hierarchy"};
    static const char* const placements[] = {"On Object", "Same Depth", "On Normal", "Normal Plane", "Tangent Plane"};
    static const char* const frames[] = {"Screen", "World", "Object"};

    std::vector<StatusPiece> out;
    Printer p(out);
    p.colour(statusGrey);
    std::string counts = "Objects " + std::to_string(s.objects) + "   Tools " + std::to_string(s.tools);
    // said while it holds, on the line that counts what is shown
    if (s.arraysCapped) counts += "   Arrays stop at " + std::to_string(arrayPlacementCap) + " placed copies";
    if (s.undrawn) counts += "   An object could not be drawn";
    p.print(counts);
    p.blank(1);
    p.colour(statusGreen);
    if (const char* name = modeName(s.mode)) p.print(name);

    if (s.mode == IDLE || s.mode == VIEW) {
        p.blank(2);
    } else if (s.mode == ASSEMBLY) {
        const char* const groupsText = s.groups ? "Groups" : "Items";
        if (s.command == Command::InverseKinematics)
            p.print("IK " + (s.ikChainLength > 0 ? std::to_string(s.ikChainLength) : std::string("Base")));
        else
            p.line(commandDisplayName(s.command));
        p.colour(statusGrey);
        if (s.fullMode) {
            p.print(groupsText);
        } else {
            if (isPlacingCommand(s.command)) {
                p.line(pick(hierarchies, s.hierarchyTarget));
                p.line(pick(relatives, s.relativeToChild, 2));
                p.colour(statusGreen);
                p.print(s.addOnLinked ? "Add On Linked Objects" : "Add On Single Object");
            } else {
                p.blank(3);
            }
            p.colour(statusGreen);
            p.print(s.addLinked ? "Linked" : "Unlinked");
            p.print(groupsText);
        }
    } else if (s.mode == SCULPT) {
        p.line(brushDisplayName(s.brush));
        p.line(pick(selections, s.selectionMode));
        p.print(s.axisSection ? "Section" : "Axis");
        p.print(s.groups ? "Groups" : "Elements");
    }

    p.colour(statusGrey);
    p.print("Projection: ", false);
    const std::string placement = pick(placements, s.placement, 1);
    if (!placement.empty()) p.print(placement);
    p.print("Frame: ", false);
    const std::string frame = pick(frames, s.frame);
    if (!frame.empty()) p.print(frame);
    p.line(symmetryLine(s.symmetry));
    p.colour(statusWhite);
    std::string snap;
    if (s.snapSymmetry || s.snapGrid) {
        snap = "Snap:";
        if (s.snapSymmetry) snap += " Symmetry";
        if (s.snapGrid) snap += " Grid";
    }
    p.print(snap);
    return out;
}

std::vector<std::string> statusLines(const std::vector<StatusPiece>& pieces) {
    std::vector<std::string> lines;
    std::string current;
    bool open = false;
    for (const StatusPiece& piece : pieces) {
        current += piece.text;
        open = true;
        if (piece.newLine) {
            lines.push_back(current);
            current.clear();
            open = false;
        }
    }
    if (open) lines.push_back(current);
    return lines;
}

Fonts* hudFont = nullptr;
const char* const smallFontFile = ":/Fonts/proggy.png";
const char* const largeFontFile = ":/Fonts/pixelcarnage.png";

namespace {

Fonts* loadHudFont(const char* file) {
    Fonts* font = new Fonts(file);
    font->cellWidth = font->width() > 0 ? float(font->width()) * 0.03125f : 0.0f;
    font->cellHeight = font->height() > 0 ? float(font->height()) / 3.0f : 0.0f;
    return font;
}

} // namespace

void setLargeFonts(bool large) {
    const char* const wanted = large ? largeFontFile : smallFontFile;
    if (hudFont && hudFont->name == wanted) return;
    delete hudFont;
    hudFont = loadHudFont(wanted);
}

void HudCursor::printHudText(const std::string& text, bool newLine) {
    if (!hudFont) hudFont = loadHudFont(smallFontFile);
    const float x = 8.0f + float(column) * hudFont->cellWidth;
    const float y = 8.0f + float(line) * hudFont->cellHeight;
    hudFont->drawText(text, vec2(x, y), vec2(width, height), colour);
    if (newLine) {
        column = 0;
        ++line;
    } else {
        column += int32_t(text.size());
    }
}

} // namespace kal

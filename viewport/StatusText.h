#pragma once
// The status text in the corner of the viewport: scene size, mode, command or brush with their
// options, and the projection, frame, symmetry and snapping settings. Composing the lines is plain
// string work on a snapshot of the view; printing goes through a text cursor over the bitmap font.
#include <cstdint>
#include <string>
#include <vector>

#include "viewport/GLView.h"

namespace kal {

class Fonts;

// What the status text reads of the view.
struct StatusState {
    int32_t objects = 0;       // tools of the flattened scene tree
    int32_t tools = 0;         // children of the tool library root
    bool arraysCapped = false; // the scene's arrays stopped at arrayPlacementCap
    bool undrawn = false;      // an object of the frame could not be drawn (its upload failed)
    int32_t mode = IDLE;
    Command command = Command::Place; // as GLView::assemblyCommand answers it
    Brush brush{};
    int32_t selectionMode = 0;
    bool axisSection = false;
    bool groups = true;
    bool fullMode = false;
    int32_t ikChainLength = -1;
    int32_t hierarchyTarget = 2;
    int32_t relativeToChild = 2;
    bool addOnLinked = true;
    bool addLinked = true;
    int32_t placement = PlaceSameDepth;
    int32_t frame = FrameObject;
    SymmetrySetting symmetry;
    bool snapSymmetry = false;
    bool snapGrid = false;
};

StatusState statusStateOf(const GLView& view);

// One print of the text cursor: the text, whether a new line follows, and its colour.
struct StatusPiece {
    std::string text;
    bool newLine = true;
    uint8_t colour[4] = {0, 0, 0, 0};
};

// Grey, green and white of the status text. The grey is opaque: the image's alpha must not hide it.
extern const uint8_t statusGrey[4];
extern const uint8_t statusGreen[4];
extern const uint8_t statusWhite[4];

// Every print of the status text, in order.
std::vector<StatusPiece> statusPieces(const StatusState& state);
// The pieces joined into the lines they make on screen.
std::vector<std::string> statusLines(const std::vector<StatusPiece>& pieces);

// Display names ("Deform Volume"); empty for ids without one. The pieces name InverseKinematics
// by its chain instead.
std::string commandDisplayName(Command command);
std::string brushDisplayName(Brush brush);

// The text cursor of the overlay: it prints at its cell and moves along the line or to the next.
struct HudCursor {
    float width = 0;
    float height = 0;
    uint8_t colour[4] = {0, 0, 0, 0};
    int32_t line = 0;
    int32_t column = 0;

    // Needs the GL context current and the target bound. Makes the small font on first use.
    void printHudText(const std::string& text, bool newLine);
};

// The font of the status text; null until the first print or switch.
extern Fonts* hudFont;
extern const char* const smallFontFile; // ":/Fonts/proggy.png"
extern const char* const largeFontFile; // ":/Fonts/pixelcarnage.png"
// Switches between the small and the large font; loads only when the file changes.
void setLargeFonts(bool large);

} // namespace kal

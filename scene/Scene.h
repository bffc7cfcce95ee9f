#pragma once
// Everything the user has built: the tool tree (templates ready to insert, negative ids) and the
// scene tree (placed objects, positive ids), their flattened lists, picking and selection, and the
// structural changes the view and the undo records make.
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Mat.h"
#include "scene/SceneLists.h"
#include "scene/ToolRef.h"

namespace kal {

class Element;
class Root;
class Tool;
struct UnreadImage;

// The id of a node that is in neither list.
constexpr int32_t noId = 0x7fffffff;

// Clay lives above the scene model; the element library registers how to make one from a mesh
// (the clay keeps its own copy; the source stays the caller's).
using ClayFactory = Element* (*)(Element* mesh);
void registerClayFactory(ClayFactory factory);

class Scene {
public:
    Root* toolRoot = nullptr;
    Root* sceneRoot = nullptr;
    SceneLists sceneLists;
    SceneLists workLists;
    SceneLists toolLists;
    // what is current, selected and picked goes null with the tool it names
    ToolRef currentTool;
    ToolRef selectedGroup;
    ToolRef selectedObject;
    ToolRef pickedGroup;
    ToolRef pickedObject;
    int32_t pickedGroupIndex = 0;
    int32_t pickedIndex = 0;

    Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    virtual ~Scene();

    void createRoots();
    // Adds the tools of a .k or .ko file; false, with the scene unchanged, when it cannot be read
    // (why, when given, then says why). unreadImages, when given, receives the images whose
    // sprites the read left out.
    bool readFile(const std::string& path, std::string* why = nullptr,
                  std::vector<UnreadImage>* unreadImages = nullptr);
    // Writes the scene (.k), or exports it as OBJ with materials for ".obj"; false when writing
    // failed, the file as it was (why, when given, then says why).
    bool save(const std::string& path, std::string* why = nullptr);
    Tool* addToMainRoot(Tool* tool);
    Tool* cycleCurrentTool(bool backwards);
    void setTime(double t);
    bool repairRings();

    void rebuildToolLists();
    Tool* objectById(int32_t id);
    int32_t idOf(Tool* tool);

    bool pick(int32_t id);
    bool lookupWithMatrices(int32_t id, ToolRef& group, ToolRef& object, mat4& groupMatrix, mat4& objectMatrix,
                            bool setPicked);
    bool select(int32_t id);
    void clearSelection();
    // The ancestors of the node of id below its group root, outermost first, with the matrices
    // handed to them; count limits the length (negative: no limit). Toggles the collect flag.
    bool collectById(int32_t id, std::vector<Tool*>& chain, std::vector<mat4>& matrices, int count);

    // Modes: 0 the scene root, 1 the selected group root, 2 the selected object.
    Tool* attachCopy(Tool* tool, const mat4& m, int mode, bool link);
    Tool* placeTool(Tool* tmpl, const std::vector<mat4>& placements, int mode, bool toRing, bool keepRing);
    Tool* insertCopies(Tool* tmpl, const std::vector<mat4>& placements, std::vector<Tool*>& created, int mode,
                       bool toRing, bool keepRing);
    Tool* insertInPlaceCopy(std::vector<Tool*>& created, bool toRing, int mode);
    void removeTool(Tool* tool, bool withRing);

    // Replace an element on every scene tool that holds it; false when there is nothing to convert to.
    bool convertToTriMesh(Element* element);
    bool convertToClay(Element* element);

    // Working lists of a tool being placed; call once after each rebuild.
    void collectTargets(Tool* tool, const std::vector<mat4>& placements, int mode, bool ring);
    void filterLists(int mode, bool groupIds, bool working);
    void drawListedTools(int mode, bool working, const uint8_t* colour);
    void drawListedToolsB(int mode, bool working, const uint8_t* colour);

private:
    Tool* place(Tool* tmpl, const std::vector<mat4>& placements, std::vector<Tool*>* created, int mode, bool toRing,
                bool keepRing);
    // Attaches c to host and lists the node every receiving ring member got.
    Tool* attachCollecting(Tool* host, Tool* c, bool toRing, std::vector<Tool*>* created);
    // Sets e on every scene tool that holds old; stops once old is gone. Answers whether any tool took e.
    bool replaceElement(Element* old, Element* e);
    int groupRootOf(int i) const;
};

} // namespace kal

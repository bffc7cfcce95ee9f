#pragma once
// A tiny element for scene tests: optionally composite, optionally deep-cloning, and counting
// live instances so that leaks and double deletes show up in the tests themselves.
#include <vector>

#include "scene/Element.h"
#include "scene/Tool.h"

namespace kal::test {

class TestElement : public Element {
public:
    static int live;
    std::vector<Element*> parts;
    bool deepClone = false;
    Element* mesh = nullptr; // what toMesh answers (a fresh TestElement when convertible)
    bool convertible = false;

    explicit TestElement(int32_t type = 0, bool deep = false) : Element(type), deepClone(deep) { ++live; }
    TestElement(const TestElement& o) : Element(o), deepClone(o.deepClone), convertible(o.convertible) { ++live; }
    ~TestElement() override { --live; }

    Element* clone() override {
        if (!deepClone) return Element::clone();
        return new TestElement(*this);
    }
    void listParts(std::vector<Element*>& out) override { out.insert(out.end(), parts.begin(), parts.end()); }
    void collectAll(std::vector<Element*>& out) override {
        out.push_back(this);
        for (Element* p : parts)
            if (p) p->collectAll(out);
    }
    Element* toMesh() override { return convertible ? new TestElement(0, true) : nullptr; }
};

// A placed scene node, as the scene makes them: ring-wide edits reach it.
inline Tool* node(Element* e = nullptr) {
    Tool* t = new Tool(e, mat4(), pbr(), false);
    t->flags |= PlacedFlag;
    return t;
}

} // namespace kal::test

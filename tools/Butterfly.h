#pragma once
// Two image wings hinged on a common vertical axis: a plain tool whose two children carry
// sprites, linked to each other, each free to turn only about Y. Nothing creates one yet.
#include "scene/Tool.h"

namespace kal {

class Butterfly : public Tool {
public:
    // A null wingB gives both wings wingA's element.
    Butterfly(Element* wingA, Element* wingB);
    ~Butterfly() override = default;
};

// The x part of a sprite's unit aspect: the width a wing's quad spans; 0 for other elements.
float wingWidth(const Element* e);

} // namespace kal

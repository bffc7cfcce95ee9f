#include "tools/Butterfly.h"

#include "elements/AnimatedSprite.h"
#include "elements/Sprite.h"

namespace kal {

float wingWidth(const Element* e) {
    if (!e) return 0.0f;
    if (e->typeCode == SpriteType) return static_cast<const Sprite*>(e)->aspect().x;
    if (e->typeCode == AnimatedSpriteType) return static_cast<const AnimatedSprite*>(e)->aspect().x;
    return 0.0f;
}

Butterfly::Butterfly(Element* wingA, Element* wingB) : Tool(nullptr, mat4(), pbr(), false) {
    Tool* a = addChild(new Tool(wingA, mat4(), pbr(), false), false);
    Tool* b = addChild(new Tool(wingB ? wingB : wingA, mat4(), pbr(), false), false);
    // each quad is centred on its origin: moving it by half its width puts its edge on the hinge
    for (Tool* wing : {a, b}) {
        wing->rotationAxis = vec3(0, 1, 0);
        const mat4 mirror = wing == b ? mat4::scaling(-1, 1, 1) : mat4();
        wing->transformConstrained(mat4::translationXYZ(-wingWidth(wing->element) / 2, 0, 0), mirror, mat4(), false);
    }
    a->link(b);
}

} // namespace kal

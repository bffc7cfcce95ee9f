#pragma once
// The registries the layers above the scene fill at start-up, all through registerAll()
// (viewport/Registries.h): element and tool readers, the placeholder element, the clay factory,
// the OBJ mesh writer and the mesh gesture handler. A lookup in one left empty is a programming
// error, not a bad file: it throws, naming the registry, rather than quietly doing nothing.
#include <stdexcept>

namespace kal {

class EmptyRegistry : public std::logic_error {
public:
    // registry: what the registry holds, "element readers" and the like.
    explicit EmptyRegistry(const char* registry);
};

} // namespace kal

#include "scene/Registry.h"

#include <string>

namespace kal {

EmptyRegistry::EmptyRegistry(const char* registry)
    : std::logic_error(std::string("no ") + registry + " registered: registerAll() was not called") {}

} // namespace kal

#include "scene/Paths.h"

namespace kal {

// Built in this order, each from one built before it; destroyed in reverse order at exit.
const std::string rootPath = "../";
const std::string materialsPath = rootPath + "Materials/";
const std::string shadersPath = ":/shaders/";
const std::string iconsPath = ":/icons/";
const std::string texturesPath = rootPath + "Textures/";
const std::string environmentsPath = texturesPath + "Environments/";
const std::string scenesPath = rootPath + "Scenes/";
const std::string objectsPath = scenesPath + "Objects/";

std::string resolvePath(const std::string& folder, const std::string& name, bool relative) {
    if (!relative || (!name.empty() && name[0] == ':')) return name;
    return folder + name;
}

} // namespace kal

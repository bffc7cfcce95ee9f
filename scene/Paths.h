#pragma once
// Where the program finds its files: data folders one level above the working directory, shaders
// and icons among the Qt resources.
#include <string>

namespace kal {

extern const std::string rootPath;         // "../"
extern const std::string materialsPath;    // "../Materials/"
extern const std::string shadersPath;      // ":/shaders/"
extern const std::string iconsPath;        // ":/icons/"
extern const std::string texturesPath;     // "../Textures/"
extern const std::string environmentsPath; // "../Textures/Environments/"
extern const std::string scenesPath;       // "../Scenes/"
extern const std::string objectsPath;      // "../Scenes/Objects/"

// The name a loader opens: with relative set, the folder is put in front of the name unless the
// name is a Qt resource path (it begins with ':'); otherwise the name is used as it is.
std::string resolvePath(const std::string& folder, const std::string& name, bool relative = true);

} // namespace kal

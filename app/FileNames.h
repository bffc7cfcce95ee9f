#pragma once
#include <QString>

#include <string>

// The name a scene is saved under: ".k" added to a file name without extension, ".k" and ".obj"
// (any letter case) kept, any other extension replaced by ".k".
QString sceneFileName(const QString& chosen);

// A file named in a message with the reason it failed: "name (why)", or the name alone without one.
QString fileWithReason(const QString& name, const std::string& why);

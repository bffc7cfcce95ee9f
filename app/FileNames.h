#pragma once
#include <QString>

// The name a scene is saved under: ".k" added to a file name without extension, ".k" and ".obj"
// (any letter case) kept, any other extension replaced by ".k".
QString sceneFileName(const QString& chosen);

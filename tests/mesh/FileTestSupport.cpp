#include "FileTestSupport.h"

#include <QDir>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kal::test {

std::string readWholeFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void writeWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
}

Mesh* heapMesh(const Mesh& m) { return new Mesh(m); }

Tool* newTool(Element* e, bool placed) {
    Tool* t = new Tool(e, mat4(), pbr(), false);
    if (placed) t->flags |= PlacedFlag;
    return t;
}

std::vector<Tool*> allTools(Scene& s) {
    std::vector<Tool*> list;
    s.toolRoot->enumerate(list);
    s.sceneRoot->enumerate(list);
    return list;
}

namespace {

bool commaDecimal() {
    const std::lconv* lc = std::localeconv();
    return lc && lc->decimal_point && lc->decimal_point[0] == ',';
}

// A German locale from the system, or one compiled into a scratch folder from the system's sources.
bool setCommaLocale(std::string& scratch) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8"})
        if (std::setlocale(LC_ALL, name) && commaDecimal()) return true;
    QTemporaryDir dir;
    dir.setAutoRemove(false);
    if (!dir.isValid()) return false;
    scratch = dir.path().toStdString();
    std::string cmd = "localedef -i de_DE -f UTF-8 '" + scratch + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return false;
    setenv("LOCPATH", scratch.c_str(), 1);
    bool ok = std::setlocale(LC_ALL, "de_DE.UTF-8") && commaDecimal();
    return ok;
}

} // namespace

bool withCommaLocale(void (*body)(void*), void* arg) {
    std::string scratch;
    bool ok = setCommaLocale(scratch);
    if (ok) body(arg);
    std::setlocale(LC_ALL, "C");
    if (!scratch.empty()) {
        unsetenv("LOCPATH");
        QDir(QString::fromStdString(scratch)).removeRecursively();
    }
    return ok;
}

} // namespace kal::test

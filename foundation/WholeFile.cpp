#include "foundation/WholeFile.h"

#include <QFile>
#include <QFileInfo>

namespace kal {

std::string readWholeFile(const std::string& path, std::vector<char>& bytes) {
    bytes.clear();
    const QString name = QString::fromStdString(path);
    // checked before opening: opening a pipe waits for a writer, and a device has no end
    const QFileInfo info(name);
    if (info.exists() && !info.isFile()) return "not a regular file";
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) return file.errorString().toStdString();
    if (file.isSequential()) return "not a regular file";
    const qint64 size = file.size();
    if (size < 0 || std::uint64_t(size) > maxWholeFileBytes)
        return "larger than " + std::to_string(maxWholeFileBytes) + " bytes";
    // capacity for one more byte keeps data() non-null for an empty file: readers take null for no input
    bytes.reserve(std::size_t(size) + 1);
    bytes.resize(std::size_t(size));
    if (size > 0 && file.read(bytes.data(), size) != size) {
        bytes.clear();
        return file.errorString().toStdString();
    }
    return {};
}

} // namespace kal

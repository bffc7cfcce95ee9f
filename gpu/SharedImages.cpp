#include "gpu/SharedImages.h"

#include "gpu/ImageLimits.h"
#include "gpu/Texture2D.h"
#include "gpu/Texture3D.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <mutex>
#include <type_traits>
#include <utility>

namespace kal {

namespace {

struct Decoded {
    std::int64_t size = -1;
    std::int64_t modified = -1;
    std::weak_ptr<Texture> texture;
};

// Keyed by the kind (frames or not) and the file itself: its path with links, "." and ".."
// resolved, so that every spelling of one file finds the one decode. A path that names no file
// stands for itself.
std::map<std::pair<bool, std::string>, Decoded> decoded;
std::mutex decodedLock;

template <class Tex>
constexpr bool framesOf() {
    return std::is_same_v<Tex, Texture3D>;
}

} // namespace

template <class Tex>
std::shared_ptr<Tex> sharedImage(const std::string& path, const DecodeCharge& charge) {
    constexpr bool frames = framesOf<Tex>();
    // held while decoding, so that two sprites of one file never decode it twice
    const std::lock_guard<std::mutex> hold(decodedLock);
    const QFileInfo file(QString::fromStdString(path));
    const std::int64_t size = file.size(), modified = file.lastModified().toMSecsSinceEpoch();
    const QString canonical = file.canonicalFilePath();
    const auto key = std::make_pair(frames, canonical.isEmpty() ? path : canonical.toStdString());
    const auto found = decoded.find(key);
    if (found != decoded.end() && found->second.size == size && found->second.modified == modified)
        if (auto living = found->second.texture.lock()) return std::static_pointer_cast<Tex>(living);

    std::uint64_t bytes = 0;
    if (imageFileRefusal(path, frames, &bytes).empty() && charge &&
        !charge(bytes, std::uint64_t(std::max<std::int64_t>(size, 0))))
        return nullptr;
    auto texture = std::make_shared<Tex>(path, false);
    if (texture->failed) return texture;
    for (auto i = decoded.begin(); i != decoded.end();)
        i = i->second.texture.expired() ? decoded.erase(i) : std::next(i);
    decoded[key] = Decoded{size, modified, texture};
    return texture;
}

template std::shared_ptr<Texture2D> sharedImage<Texture2D>(const std::string&, const DecodeCharge&);
template std::shared_ptr<Texture3D> sharedImage<Texture3D>(const std::string&, const DecodeCharge&);

} // namespace kal

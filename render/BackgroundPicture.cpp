#include "render/BackgroundPicture.h"

#include <QString>

#include <deque>
#include <mutex>
#include <utility>

// Resources compiled into a static library are only registered when asked for by name, and
// Q_INIT_RESOURCE must be used outside any namespace.
static void InitRenderResources() {
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(vorlat_render); });
}

namespace {

QImage Load(const QString& name) {
    InitRenderResources();
    QImage picture(name);
    return picture.isNull() ? picture : picture.convertToFormat(QImage::Format_RGB32);
}

} // namespace

QImage BackgroundPicture(QSize size) {
    static const QImage classic = Load(QStringLiteral(":/vorlat/background.png"));
    if (size == classic.size() || size.isEmpty()) {
        return size.isEmpty() ? QImage() : classic;
    }
    // A video asks for the same size frame after frame: scaling the large picture down once
    // per size is enough. A few sizes are kept for callers that switch between them.
    static std::mutex mutex;
    static std::deque<std::pair<QSize, QImage>> cache;
    const std::lock_guard lock(mutex);
    for (const auto& [cachedSize, picture] : cache) {
        if (cachedSize == size) {
            return picture;
        }
    }
    const QImage large = Load(QStringLiteral(":/vorlat/background-large.png"));
    if (large.isNull()) {
        return large;
    }
    QImage picture = large.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB32);
    cache.emplace_front(size, picture);
    if (cache.size() > 4) {
        cache.pop_back();
    }
    return picture;
}

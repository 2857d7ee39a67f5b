#include "res/Resources.h"

#include "res/Resource.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <mutex>

namespace {

struct IconInfo {
    int id;
    QSize size;
};

// Every icon's own size, as the windows expect it.
constexpr IconInfo kIcons[] = {
    {IDR_MAINFRAME, {64, 64}}, {IDI_PORT_OPEN, {32, 32}},    {IDI_PORT_CLOSED, {32, 32}},
    {IDI_LINK_GOOD, {48, 40}}, {IDI_LINK_NONE, {48, 40}},    {IDI_LINK_WEAK, {48, 40}},
    {IDI_CLOSE, {32, 32}},     {IDI_LEVEL_OPEN, {32, 32}},   {IDI_START_RUNNING, {48, 48}},
    {IDI_START, {48, 48}},     {IDI_LEVEL_LOCKED, {32, 32}}, {IDI_CLEAR, {32, 26}},
};

constexpr QSize kBitmapSize(800, 600);

} // namespace

QImage RenderSvgPicture(const QString& path, QSize size) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                           QPainter::TextAntialiasing);
    renderer.render(&painter);
    painter.end();
    return image;
}

QSize IconResourceSize(int id) {
    for (const IconInfo& icon : kIcons)
        if (icon.id == id)
            return icon.size;
    return {};
}

IconHandle LoadIconResource(int id) {
    const QSize size = IconResourceSize(id);
    if (size.isEmpty())
        return nullptr;
    QImage image = RenderSvgPicture(QStringLiteral(":/art/icon%1.svg").arg(id), size);
    if (image.isNull())
        return nullptr;
    return std::make_shared<const QImage>(std::move(image));
}

QImage LoadBitmapResource(int id) {
    // Drawing a background from its SVG takes a while; each is drawn once per run.
    static std::mutex mutex;
    static QHash<int, QImage> cache;
    std::lock_guard lock(mutex);
    if (const auto it = cache.constFind(id); it != cache.constEnd())
        return *it;
    if (id != IDB_MAP && id != IDB_MAIN && id != IDB_RUN)
        return {};
    const QImage image = RenderSvgPicture(QStringLiteral(":/art/bitmap%1.svg").arg(id), kBitmapSize);
    cache.insert(id, image);
    return image;
}

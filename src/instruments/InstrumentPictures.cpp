#include "instruments/InstrumentPictures.h"

#include "state/Globals.h"

#include <QPainter>

std::unique_ptr<QImage> LoadSourcePicture(QStringView fileName) {
    QString path = AppPath(u"/Source/");
    path.append(fileName);
    QImage image(path);
    if (image.isNull())
        return nullptr;
    // Premultiplied once here; drawn as loaded, every paint would convert each picture again.
    return std::make_unique<QImage>(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

std::unique_ptr<QBrush> LoadSourceBrush(QStringView fileName) {
    const auto image = LoadSourcePicture(fileName);
    return image ? std::make_unique<QBrush>(*image) : nullptr;
}

QImage FixedLayers(int w, int h, const QBrush* back, const QBrush* panel) {
    QImage surface(w, h, QImage::Format_RGB32);
    surface.fill(Qt::black);
    QPainter painter(&surface);
    // The brushes tile from the surface's origin.
    if (back)
        painter.fillRect(surface.rect(), *back);
    if (panel)
        painter.fillRect(surface.rect(), *panel);
    return surface;
}

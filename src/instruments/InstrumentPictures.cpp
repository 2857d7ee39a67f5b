#include "instruments/InstrumentPictures.h"

#include "state/Globals.h"

#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QtMath>

#include <map>
#include <mutex>
#include <tuple>

namespace {

// A render shrunk to the picture's size differs from the picture drawn at that size only along the
// edges of shapes: our renders come within 43 dB or closer. Recolouring one per cent of a picture
// already drops it to 23 dB.
constexpr double kSameDrawingDb = 36.0;

// Every instrument of every window reads the same few files: each is read once while it stays the
// same file (its size and time unchanged), and the instruments share the one picture.
QImage ReadPicture(const QString& path) {
    static std::mutex mutex;
    static std::map<QString, std::tuple<QDateTime, qint64, QImage>> read;
    const QFileInfo file(path);
    const auto stamp = std::make_tuple(file.lastModified(), file.size());
    std::lock_guard lock(mutex);
    if (const auto it = read.find(path);
        it != read.end() && std::tie(std::get<0>(it->second), std::get<1>(it->second)) == stamp)
        return std::get<2>(it->second);
    QImage image(path);
    // Premultiplied once here; drawn as loaded, every paint would convert each picture again.
    if (!image.isNull())
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    read[path] = std::make_tuple(std::get<0>(stamp), std::get<1>(stamp), image);
    return image;
}

// Whether dense, a render at scale times the size of picture, still shows picture.
bool ShowsPicture(const QImage& dense, const QImage& picture, int scale) {
    if (dense.size() != picture.size() * scale)
        return false;
    const QImage shrunk = dense.scaled(picture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    double squares = 0;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(shrunk.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            for (const int shift : {0, 8, 16, 24}) {
                const int d =
                    static_cast<int>((a[x] >> shift) & 0xff) - static_cast<int>((b[x] >> shift) & 0xff);
                squares += d * d;
            }
    }
    const double mean = squares / (4.0 * picture.width() * picture.height());
    return mean == 0 || 10 * std::log10(255.0 * 255.0 / mean) >= kSameDrawingDb;
}

} // namespace

std::unique_ptr<CSourcePicture> CSourcePicture::Load(QStringView fileName) {
    QString path = SourcePicturePath(fileName);
    // Its size from the file's header; the picture itself is read when first drawn, so the windows
    // holding instruments are built quickly at start.
    // Read as the PNG it is named: probing for the kind of file would load every image plugin.
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (!size.isValid())
        return nullptr;
    return std::unique_ptr<CSourcePicture>(new CSourcePicture(std::move(path), size));
}

const QImage& CSourcePicture::Picture() const {
    if (!m_image)
        m_image = ReadPicture(m_strPath);
    return *m_image;
}

const QImage& CSourcePicture::Dense(std::size_t index) const {
    std::optional<QImage>& dense = m_dense[index];
    if (!dense) {
        const int scale = kDenseScales[index];
        QString path = m_strPath;
        path.insert(path.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(scale));
        QImage image = ReadPicture(path);
        if (!image.isNull() && ShowsPicture(image, Picture(), scale))
            image.setDevicePixelRatio(scale);
        else
            image = QImage();
        dense = std::move(image);
    }
    return *dense;
}

const QImage& CSourcePicture::ForRatio(qreal ratio) const {
    const QImage* best = &Picture();
    for (std::size_t i = 0; i < kDenseScales.size() && best->devicePixelRatio() < ratio; ++i)
        if (const QImage& dense = Dense(i); !dense.isNull())
            best = &dense;
    return *best;
}

QImage FixedLayers(int w, int h, qreal ratio, const CSourcePicture* back, const CSourcePicture* panel) {
    // Whole device pixels that cover w x h; what lies beyond is cut where the surface is copied.
    QImage surface(qCeil(w * ratio), qCeil(h * ratio), QImage::Format_RGB32);
    surface.setDevicePixelRatio(ratio);
    surface.fill(Qt::black);
    QPainter painter(&surface);
    // The brushes tile from the surface's origin; a dense texture tiles in its own density.
    const QRectF all(QPointF(0, 0), surface.deviceIndependentSize());
    if (back)
        painter.fillRect(all, QBrush(back->ForRatio(ratio)));
    if (panel)
        painter.fillRect(all, QBrush(panel->ForRatio(ratio)));
    return surface;
}

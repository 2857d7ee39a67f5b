#include "res/PictureCache.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstring>

#include <sys/stat.h>

namespace {

// The file: this header, then the rows of pixels as the image holds them.
struct Header {
    char magic[8];
    qint32 width;
    qint32 height;
    qint32 format;
    qint32 bytesPerLine;
};
constexpr char kMagic[8] = {'A', 'V', 'P', 'I', 'C', '0', '1', '\n'};
constexpr int kLargest = 16384;

bool Kept(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
}

} // namespace

CPictureCache& CPictureCache::User() {
    static CPictureCache cache(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                               QStringLiteral("/aviluma/pictures"));
    return cache;
}

QString CPictureCache::FilePath(const QByteArray& key) const {
    return m_strFolder + QLatin1Char('/') +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex()) +
           QStringLiteral(".picture");
}

QImage CPictureCache::Read(const QByteArray& key) const {
    QFile file(FilePath(key));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    Header header{};
    if (file.read(reinterpret_cast<char*>(&header), sizeof header) != sizeof header ||
        std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 || header.width <= 0 || header.height <= 0 ||
        header.width > kLargest || header.height > kLargest ||
        !Kept(static_cast<QImage::Format>(header.format)) || header.bytesPerLine != header.width * 4 ||
        file.size() != static_cast<qint64>(sizeof header) + qint64{header.bytesPerLine} * header.height)
        return {};
    QImage image(header.width, header.height, static_cast<QImage::Format>(header.format));
    if (image.isNull() || image.bytesPerLine() != header.bytesPerLine ||
        file.read(reinterpret_cast<char*>(image.bits()), image.sizeInBytes()) != image.sizeInBytes())
        return {};
    return image;
}

void CPictureCache::Write(const QByteArray& key, const QImage& image) const {
    if (!Kept(image.format()) || image.bytesPerLine() != image.width() * 4 || image.width() > kLargest ||
        image.height() > kLargest)
        return;
    if (!QDir().mkpath(m_strFolder))
        return;
    chmod(QFile::encodeName(m_strFolder).constData(), 0700);
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.width = image.width();
    header.height = image.height();
    header.format = image.format();
    header.bytesPerLine = static_cast<qint32>(image.bytesPerLine());
    QSaveFile file(FilePath(key));
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(reinterpret_cast<const char*>(&header), sizeof header);
    file.write(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    if (!file.commit())
        return;
    // The newest few stay: an update of the game or a new screen leaves the older drawings behind.
    const QFileInfoList kept = QDir(m_strFolder).entryInfoList({QStringLiteral("*.picture")}, QDir::Files, QDir::Time);
    for (qsizetype i = kKept; i < kept.size(); ++i)
        QFile::remove(kept[i].filePath());
}

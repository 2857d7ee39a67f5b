// Loading the instruments' pictures from the program's Source/ folder, at the density of the screen.
#pragma once

#include <QImage>
#include <QStringView>

#include <array>
#include <memory>
#include <optional>

// One picture of Source/. name.png is the picture: whether it is there and its size are what the
// instruments go by. Beside it the build lays denser renders of the same drawing (name@2x.png,
// name@3x.png), read the first time a screen of that density asks for them.
class CSourcePicture {
public:
    // Null when name.png is missing or not a picture: its layer is then left out.
    static std::unique_ptr<CSourcePicture> Load(QStringView fileName);

    int Width() const { return m_size.width(); }
    int Height() const { return m_size.height(); }

    // The picture that serves a painter of ratio best, its devicePixelRatio telling its density: the
    // least dense render at least as dense as ratio, else the densest there is. A render that no
    // longer shows the picture (name.png replaced after the build) is left aside.
    const QImage& ForRatio(qreal ratio) const;

private:
    CSourcePicture(QString path, QSize size) : m_strPath(std::move(path)), m_size(size) {}
    const QImage& Picture() const; // at its own size, read at the first asking
    const QImage& Dense(std::size_t index) const;

    static constexpr std::array<int, 2> kDenseScales{2, 3};

    QString m_strPath; // of name.png
    QSize m_size;
    mutable std::optional<QImage> m_image;
    mutable std::array<std::optional<QImage>, kDenseScales.size()> m_dense; // null: absent or stale
};

// The off-screen surface a paint starts from: w x h at ratio (its devicePixelRatio), black as a new
// surface is, with back and panel tiled over it from its origin (either may be null).
QImage FixedLayers(int w, int h, qreal ratio, const CSourcePicture* back, const CSourcePicture* panel);

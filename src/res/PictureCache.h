// Pictures drawn from their SVG sources, kept on disk from one run to the next: a background takes
// tens of milliseconds to draw and a millisecond to read back. A picture is found by what it was drawn
// from (the caller's key: the SVG with its words in the player's language, the size, the renderer's
// version), so a changed picture, language or renderer never meets an old drawing.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

class CPictureCache {
public:
    // folder is made (0700) at the first write.
    explicit CPictureCache(QString folder) : m_strFolder(std::move(folder)) {}
    // The user's: aviluma/pictures in $XDG_CACHE_HOME (~/.cache).
    static CPictureCache& User();

    // The picture kept under key; a null image when there is none, or what is there is not a whole
    // picture of ours.
    QImage Read(const QByteArray& key) const;
    // Keeps image (32-bit RGB, with or without alpha) under key, and only the most recently kept
    // pictures. A failure (a full disk, a folder that cannot be made) costs only the drawing next time.
    void Write(const QByteArray& key, const QImage& image) const;

    static constexpr int kKept = 24;

private:
    QString FilePath(const QByteArray& key) const;
    QString m_strFolder;
};

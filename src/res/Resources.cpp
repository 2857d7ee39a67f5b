#include "res/Resources.h"

#include "platform/Translation.h"
#include "res/PictureCache.h"
#include "res/Resource.h"

#include <QFile>
#include <QRegularExpression>

#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <tuple>

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

// The words drawn in the backgrounds, in the player's language at drawing time. Numbers, the name
// and the Latin subtitles beneath Chinese words are not translated.
constexpr const char* kArtTexts[] = {
    QT_TRANSLATE_NOOP("Aviluma", "无 人 机 飞 行 训 练"),
    QT_TRANSLATE_NOOP("Aviluma", "闯关模式"),
    QT_TRANSLATE_NOOP("Aviluma", "狂野模式"),
    QT_TRANSLATE_NOOP("Aviluma", "无尽模式"),
    QT_TRANSLATE_NOOP("Aviluma", "十个关卡 · 逐级挑战"),
    QT_TRANSLATE_NOOP("Aviluma", "难度飙升 · 考验反应"),
    QT_TRANSLATE_NOOP("Aviluma", "永不停歇 · 刷新纪录"),
    QT_TRANSLATE_NOOP("Aviluma", "横滚 | 俯仰 | 航向"),
    QT_TRANSLATE_NOOP("Aviluma", "高度"),
    QT_TRANSLATE_NOOP("Aviluma", "记录"),
    QT_TRANSLATE_NOOP("Aviluma", "得分"),
    QT_TRANSLATE_NOOP("Aviluma", "四旋翼"),
    QT_TRANSLATE_NOOP("Aviluma", "开始"),
    QT_TRANSLATE_NOOP("Aviluma", "清除记录"),
    QT_TRANSLATE_NOOP("Aviluma", "油门 · 航向"),
    QT_TRANSLATE_NOOP("Aviluma", "俯仰 · 横滚"),
    QT_TRANSLATE_NOOP("Aviluma", "起飞坪"),
    QT_TRANSLATE_NOOP("Aviluma", "关卡"),
    QT_TRANSLATE_NOOP("Aviluma", "终点"),
    QT_TRANSLATE_NOOP("Aviluma", "航线"),
    QT_TRANSLATE_NOOP("Aviluma", "北"),
};

QString IconPath(int id) {
    return QStringLiteral(":/art/icon%1.svg").arg(id);
}

// An icon that keeps the name of its source beside its picture at its own size.
class CSvgIcon final : public QImage {
public:
    CSvgIcon(QImage picture, QString source) : QImage(std::move(picture)), m_strSource(std::move(source)) {}
    const QString& Source() const { return m_strSource; }

private:
    QString m_strSource;
};

// Draws an icon's source for every size and density a window asks of it, so window decorations and
// labels are as sharp as the buttons.
class CSvgIconEngine final : public QIconEngine {
public:
    CSvgIconEngine(QString source, QSize size) : m_strSource(std::move(source)), m_size(size) {}

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        return m_size.scaled(size, Qt::KeepAspectRatio);
    }
    // Qt asks for the pixmap of a denser screen at its size in device pixels, and sets its ratio.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return QPixmap::fromImage(CachedSvgPicture(m_strSource, actualSize(size, mode, state), 1.0));
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal ratio = PaintRatio(*painter);
        const QImage picture =
            CachedSvgPicture(m_strSource, actualSize(rect.size(), mode, state) * ratio, ratio);
        const QSize shown = picture.deviceIndependentSize().toSize();
        painter->drawImage(QRect(rect.topLeft() + QPoint((rect.width() - shown.width()) / 2,
                                                         (rect.height() - shown.height()) / 2),
                                 shown),
                           picture);
    }
    QIconEngine* clone() const override { return new CSvgIconEngine(*this); }

private:
    QString m_strSource;
    QSize m_size;
};

} // namespace

qreal PaintRatio(const QPainter& painter) {
    // The device transform holds the scale from logical to device pixels; a widget's own ratio would
    // miss an image of another density it is drawn into.
    const QTransform transform = painter.deviceTransform();
    return std::hypot(transform.m11(), transform.m12());
}

QByteArray TranslateSvgTexts(const QByteArray& svg) {
    static const QRegularExpression text(QStringLiteral(">([^<>]+)</text>"));
    QString translated = QString::fromUtf8(svg);
    QString previousSource;
    QString previousShown;
    qsizetype from = 0;
    for (QRegularExpressionMatch match = text.match(translated, from); match.hasMatch();
         match = text.match(translated, from)) {
        const QString source = match.captured(1);
        QString shown = source;
        for (const char* artText : kArtTexts)
            if (source == QString::fromUtf8(artText))
                shown = Tr(source).toHtmlEscaped();
        // A Latin subtitle that the word above it has become is drawn once.
        if (shown == source && previousShown != previousSource &&
            shown.compare(previousShown, Qt::CaseInsensitive) == 0)
            shown.clear();
        translated.replace(match.capturedStart(1), match.capturedLength(1), shown);
        from = match.capturedStart(1) + shown.size();
        previousSource = source;
        previousShown = shown.isEmpty() ? source : shown;
    }
    return translated.toUtf8();
}

namespace {

// The SVG at path with its words in the player's language; empty when it cannot be read.
QByteArray TranslatedSvg(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return TranslateSvgTexts(file.readAll());
}

QImage RenderSvg(const QByteArray& svg, QSize size) {
    QSvgRenderer renderer(svg);
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

// An opaque picture (a window's background, the drawings that take long): read back from the user's
// picture cache when it was drawn before, on this or an earlier run, else drawn and kept there.
QImage OpaqueSvgPicture(const QString& path, QSize size) {
    const QByteArray svg = TranslatedSvg(path);
    if (svg.isEmpty())
        return {};
    const QByteArray key = svg + QByteArrayLiteral("\nRGB32 ") + QByteArray::number(size.width()) + 'x' +
                           QByteArray::number(size.height()) + QByteArrayLiteral(" Qt ") + qVersion();
    QImage image = CPictureCache::User().Read(key);
    if (image.isNull() || image.size() != size) {
        image = RenderSvg(svg, size).convertToFormat(QImage::Format_RGB32);
        if (!image.isNull())
            CPictureCache::User().Write(key, image);
    }
    return image;
}

} // namespace

QImage RenderSvgPicture(const QString& path, QSize size) {
    const QByteArray svg = TranslatedSvg(path);
    return svg.isEmpty() ? QImage() : RenderSvg(svg, size);
}

// Drawing a background from its SVG takes tens of milliseconds, too long for a paint that follows the
// mouse, and pictures are asked for at every paint: each is drawn once per device size and ratio, and
// the few densities a run meets keep that small. An opaque picture is kept without an alpha channel,
// so it reaches the screen as a plain copy.
// A picture drawn in one language is kept apart from the same picture in the other.
// Pictures are drawn outside the lock, so a background being drawn on the warm-up thread holds up only
// a window that asks for that same picture (it waits for the drawing rather than drawing it twice),
// never the icons and other pictures the UI thread draws meanwhile.
QImage CachedSvgPicture(const QString& path, QSize deviceSize, qreal ratio, bool opaque) {
    struct Entry {
        QImage image;
        bool drawn = false;
    };
    static std::mutex mutex;
    static std::condition_variable drawnOne;
    static std::map<std::tuple<QString, int, int, qreal, Language>, Entry> cache;
    const auto key =
        std::make_tuple(path, deviceSize.width(), deviceSize.height(), ratio, InstalledLanguage());
    std::unique_lock lock(mutex);
    const auto [it, first] = cache.try_emplace(key);
    Entry& entry = it->second; // a map's elements stay where they are while others are added
    if (!first) {
        drawnOne.wait(lock, [&entry] { return entry.drawn; });
        return entry.image;
    }
    lock.unlock();
    QImage image = opaque ? OpaqueSvgPicture(path, deviceSize) : RenderSvgPicture(path, deviceSize);
    image.setDevicePixelRatio(ratio);
    lock.lock();
    entry.image = image;
    entry.drawn = true;
    drawnOne.notify_all();
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
    QImage image = CachedSvgPicture(IconPath(id), size, 1.0);
    if (image.isNull())
        return nullptr;
    return std::make_shared<const CSvgIcon>(std::move(image), IconPath(id));
}

QImage IconAtRatio(const QImage& icon, qreal ratio) {
    const auto* drawn = dynamic_cast<const CSvgIcon*>(&icon);
    if (drawn == nullptr || ratio == 1.0)
        return icon;
    return CachedSvgPicture(drawn->Source(), icon.size() * ratio, ratio);
}

QIcon IconResourceIcon(int id) {
    const QSize size = IconResourceSize(id);
    if (size.isEmpty())
        return {};
    return QIcon(new CSvgIconEngine(IconPath(id), size));
}

QImage LoadBitmapResource(int id, QSize deviceSize) {
    if (id != IDB_MAP && id != IDB_MAIN && id != IDB_RUN && id != IDB_DEBRIEF && id != IDB_LESSON)
        return {};
    return CachedSvgPicture(QStringLiteral(":/art/bitmap%1.svg").arg(id), deviceSize, 1.0, true);
}

QImage LoadBitmapResource(int id) {
    return LoadBitmapResource(id, kBitmapSize);
}

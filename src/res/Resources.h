// The program's pictures by their resource ids, drawn from SVG sources compiled into the program, at
// whatever density the screen has: a picture is drawn from its source at the exact device size it is
// shown at, so it stays as sharp as the text beside it.
#pragma once

#include <QIcon>
#include <QImage>

#include <memory>

class QPainter;

// An icon handed to a button. The button owns it; whoever wants to see it released keeps a weak_ptr.
// The image is the icon at its own size; icons from LoadIconResource also know their source, so
// IconAtRatio can draw them afresh for denser screens.
using IconHandle = std::shared_ptr<const QImage>;

// The density painter draws at: device pixels per logical pixel. That is the screen's ratio, or the
// ratio of the image a widget is drawn into (QWidget::render), so ask before setting a transform.
qreal PaintRatio(const QPainter& painter);

// svg with the words of its <text> elements in the player's language.
QByteArray TranslateSvgTexts(const QByteArray& svg);
// An SVG picture drawn at size with its transparency; a null image when it cannot be read.
QImage RenderSvgPicture(const QString& path, QSize size);
// The SVG picture at path drawn at deviceSize with its devicePixelRatio set to ratio (opaque: without
// an alpha channel), drawn once and kept for each size, ratio and language. Any thread may ask; one
// asking for a picture being drawn on another thread waits for that drawing alone.
QImage CachedSvgPicture(const QString& path, QSize deviceSize, qreal ratio, bool opaque = false);

// A new handle on icon id at its own size; null for an unknown id.
IconHandle LoadIconResource(int id);
// The size an icon is drawn at; empty for an unknown id.
QSize IconResourceSize(int id);
// The picture to draw icon with at ratio: an icon from LoadIconResource drawn from its source at the
// device size (icon size x ratio), its devicePixelRatio set to ratio; any other image as it is, left to
// the painter to scale.
QImage IconAtRatio(const QImage& icon, qreal ratio);
// Icon id for window decorations and labels: drawn from its source for each size and density asked.
QIcon IconResourceIcon(int id);

// Background id at deviceSize pixels (a window of 800 x 600 at the screen's density), opaque; a null
// image for an unknown id.
QImage LoadBitmapResource(int id, QSize deviceSize);
// Background id at its own 800 x 600.
QImage LoadBitmapResource(int id);

// The program's pictures by their resource ids, drawn from SVG sources compiled into the program.
#pragma once

#include <QImage>

#include <memory>

// An icon handed to a button. The button owns it; whoever wants to see it released keeps a weak_ptr.
using IconHandle = std::shared_ptr<const QImage>;

// An SVG picture drawn at size with its transparency; a null image when it cannot be read.
QImage RenderSvgPicture(const QString& path, QSize size);

// A new copy of icon id at its own size; null for an unknown id.
IconHandle LoadIconResource(int id);
// The size an icon is drawn at; empty for an unknown id.
QSize IconResourceSize(int id);

// Background id drawn at 800 x 600, made once and cached; a null image for an unknown id.
QImage LoadBitmapResource(int id);

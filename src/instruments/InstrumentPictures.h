// Loading the instruments' pictures from the program's Source/ folder.
#pragma once

#include <QBrush>
#include <QImage>
#include <QStringView>

#include <memory>

// The picture, or null when it is missing or unreadable: its layer is then left out.
std::unique_ptr<QImage> LoadSourcePicture(QStringView fileName);
// A brush that tiles the picture from the surface's origin, or null.
std::unique_ptr<QBrush> LoadSourceBrush(QStringView fileName);

// The off-screen surface a paint starts from: w x h, black as a new surface is, with the tiled
// background and the panel laid on it (either may be null).
QImage FixedLayers(int w, int h, const QBrush* back, const QBrush* panel);

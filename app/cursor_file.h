#pragma once

#include <QByteArrayView>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <optional>

namespace app {

// One image of a Windows cursor file (.cur), which Qt cannot read itself.
struct CursorImage {
    QImage image;  // ARGB32; pixels whose transparency bit is set are fully transparent
    QPoint hotspot;
    int bitsPerPixel = 0;
};

// Reads the first image of a cursor file: ICONDIR, ICONDIRENTRY (hot spot),
// BITMAPINFOHEADER of double height, palette, colour rows and transparency
// rows. Palette images of 1, 4 or 8 bits per pixel are supported. Gives
// nothing when the data are not such a file or are cut short; it never
// reads outside `data`.
std::optional<CursorImage> readCursorFile(QByteArrayView data);

// The same for a file or resource path; nothing when it cannot be read.
std::optional<CursorImage> loadCursorFile(const QString& path);

// A mouse pointer showing the image with its hot spot.
QCursor toCursor(const CursorImage& cursor);

}  // namespace app

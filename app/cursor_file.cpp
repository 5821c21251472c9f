#include "app/cursor_file.h"

#include <QFile>
#include <QPixmap>
#include <cstdint>

namespace app {

namespace {

// Little-endian reads with bounds checks; a read past the end fails the
// whole parse instead of touching memory outside the data.
class Reader {
public:
    explicit Reader(QByteArrayView data) : data_(data) {}

    bool has(qsizetype offset, qsizetype length) const {
        return offset >= 0 && length >= 0 && offset <= data_.size() &&
               length <= data_.size() - offset;
    }
    std::uint32_t u8(qsizetype offset) const { return static_cast<std::uint8_t>(data_[offset]); }
    std::uint32_t u16(qsizetype offset) const { return u8(offset) | (u8(offset + 1) << 8); }
    std::uint32_t u32(qsizetype offset) const { return u16(offset) | (u16(offset + 2) << 16); }

private:
    QByteArrayView data_;
};

constexpr qsizetype kDirectorySize = 6;
constexpr qsizetype kEntrySize = 16;
constexpr qsizetype kInfoHeaderSize = 40;
constexpr std::uint32_t kCursorType = 2;

qsizetype rowStride(qsizetype width, qsizetype bitsPerPixel) {
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

}  // namespace

std::optional<CursorImage> readCursorFile(QByteArrayView data) {
    const Reader in(data);
    if (!in.has(0, kDirectorySize + kEntrySize)) return std::nullopt;
    if (in.u16(0) != 0 || in.u16(2) != kCursorType || in.u16(4) < 1) return std::nullopt;

    const qsizetype entry = kDirectorySize;
    const QPoint hotspot(static_cast<int>(in.u16(entry + 4)), static_cast<int>(in.u16(entry + 6)));
    const qsizetype imageSize = in.u32(entry + 8);
    const qsizetype header = in.u32(entry + 12);
    if (!in.has(header, imageSize) || imageSize < kInfoHeaderSize) return std::nullopt;

    const qsizetype headerSize = in.u32(header);
    const auto width = static_cast<std::int32_t>(in.u32(header + 4));
    const auto doubledHeight = static_cast<std::int32_t>(in.u32(header + 8));
    const std::uint32_t planes = in.u16(header + 12);
    const std::uint32_t bitsPerPixel = in.u16(header + 14);
    const std::uint32_t compression = in.u32(header + 16);
    std::uint32_t colours = in.u32(header + 32);
    if (headerSize < kInfoHeaderSize || planes != 1 || compression != 0) return std::nullopt;
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8) return std::nullopt;
    // The height covers the colour rows and the transparency rows.
    if (width <= 0 || width > 256 || doubledHeight <= 0 || doubledHeight % 2 != 0 ||
        doubledHeight / 2 > 256)
        return std::nullopt;
    const int height = doubledHeight / 2;
    const std::uint32_t maxColours = 1u << bitsPerPixel;
    if (colours == 0) colours = maxColours;
    if (colours > maxColours) return std::nullopt;

    const qsizetype palette = header + headerSize;
    const qsizetype colourRows = palette + 4 * static_cast<qsizetype>(colours);
    const qsizetype colourStride = rowStride(width, bitsPerPixel);
    const qsizetype maskRows = colourRows + colourStride * height;
    const qsizetype maskStride = rowStride(width, 1);
    const qsizetype end = maskRows + maskStride * height;
    if (end > header + imageSize || !in.has(palette, end - palette)) return std::nullopt;

    CursorImage cursor;
    cursor.hotspot = hotspot;
    cursor.bitsPerPixel = static_cast<int>(bitsPerPixel);
    cursor.image = QImage(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom-up.
        const qsizetype colourRow = colourRows + colourStride * (height - 1 - y);
        const qsizetype maskRow = maskRows + maskStride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const bool transparent = (in.u8(maskRow + x / 8) >> (7 - x % 8)) & 1;
            if (transparent) {
                cursor.image.setPixel(x, y, 0);
                continue;
            }
            const qsizetype bit = static_cast<qsizetype>(x) * bitsPerPixel;
            const std::uint32_t byte = in.u8(colourRow + bit / 8);
            const std::uint32_t shift = 8 - bitsPerPixel - static_cast<std::uint32_t>(bit % 8);
            const std::uint32_t index = (byte >> shift) & (maxColours - 1);
            if (index >= colours) return std::nullopt;
            const qsizetype entryOffset = palette + 4 * static_cast<qsizetype>(index);
            cursor.image.setPixel(x, y,
                                  qRgba(static_cast<int>(in.u8(entryOffset + 2)),
                                        static_cast<int>(in.u8(entryOffset + 1)),
                                        static_cast<int>(in.u8(entryOffset)), 255));
        }
    }
    return cursor;
}

std::optional<CursorImage> loadCursorFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return readCursorFile(file.readAll());
}

QCursor toCursor(const CursorImage& cursor) {
    return QCursor(QPixmap::fromImage(cursor.image), cursor.hotspot.x(), cursor.hotspot.y());
}

}  // namespace app

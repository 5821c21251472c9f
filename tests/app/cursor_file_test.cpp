// The two cursor images and the .cur reader.
#include "app/cursor_file.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

QByteArray resource(const char* name) {
    QFile file(QStringLiteral(":/app/resources/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

bool transparent(const QImage& image, int x, int y) { return qAlpha(image.pixel(x, y)) == 0; }

struct CursorCase {
    const char* file;
    qsizetype bytes;
    int bitsPerPixel;
    QPoint hotspot;
};

class CursorResourceTest : public testing::TestWithParam<CursorCase> {};

TEST_P(CursorResourceTest, HasItsSizeDepthAndHotSpot) {
    const CursorCase& c = GetParam();
    const QByteArray data = resource(c.file);
    EXPECT_EQ(data.size(), c.bytes);
    const auto cursor = app::readCursorFile(data);
    ASSERT_TRUE(cursor.has_value());
    EXPECT_EQ(cursor->image.size(), QSize(32, 32));
    EXPECT_EQ(cursor->bitsPerPixel, c.bitsPerPixel);
    EXPECT_EQ(cursor->hotspot, c.hotspot);
    const QCursor pointer = app::toCursor(*cursor);
    EXPECT_EQ(pointer.hotSpot(), c.hotspot);
}

INSTANTIATE_TEST_SUITE_P(Files, CursorResourceTest,
                         testing::Values(CursorCase{"crosshair.cur", 2238, 8, {15, 16}},
                                         CursorCase{"hand.cur", 326, 1, {6, 0}}),
                         [](const testing::TestParamInfo<CursorCase>& info) {
                             return info.index == 0 ? std::string("CrossHair")
                                                    : std::string("Hand");
                         });

TEST(CrossHairImage, IsAGreyPlusWithASeeThroughCentre) {
    const auto cursor = app::readCursorFile(resource("crosshair.cur"));
    ASSERT_TRUE(cursor.has_value());
    const QImage& image = cursor->image;
    // The 2 x 2 centre around the hot spot shows what lies beneath.
    for (int y = 15; y <= 16; ++y)
        for (int x = 15; x <= 16; ++x) EXPECT_TRUE(transparent(image, x, y)) << x << "," << y;
    // The arms are six pixels wide, grey from black at the edges to near white.
    for (int x = 13; x <= 18; ++x) {
        EXPECT_FALSE(transparent(image, x, 5)) << x;
        EXPECT_EQ(qRed(image.pixel(x, 5)), qGreen(image.pixel(x, 5)));
        EXPECT_EQ(qRed(image.pixel(x, 5)), qBlue(image.pixel(x, 5)));
    }
    EXPECT_TRUE(transparent(image, 12, 5));
    EXPECT_TRUE(transparent(image, 19, 5));
    EXPECT_EQ(qGray(image.pixel(13, 5)), 0);
    EXPECT_GE(qGray(image.pixel(15, 5)), 0xE0);
    for (int y = 13; y <= 18; ++y) EXPECT_FALSE(transparent(image, 5, y)) << y;
    EXPECT_TRUE(transparent(image, 5, 12));
    // Outside the plus everything is transparent.
    EXPECT_TRUE(transparent(image, 0, 0));
    EXPECT_TRUE(transparent(image, 31, 31));
    EXPECT_TRUE(transparent(image, 5, 5));
}

TEST(HandImage, PointsUpWithTheFingerTipAtTheHotSpot) {
    const auto cursor = app::readCursorFile(resource("hand.cur"));
    ASSERT_TRUE(cursor.has_value());
    const QImage& image = cursor->image;
    EXPECT_EQ(image.pixel(6, 0), qRgba(0, 0, 0, 255));  // the tip's outline
    EXPECT_TRUE(transparent(image, 0, 0));
    EXPECT_EQ(image.pixel(6, 3), qRgba(255, 255, 255, 255));  // inside the finger
    // The top rows hold only the finger; the hand below is wider.
    int topWidth = 0;
    int palmWidth = 0;
    for (int x = 0; x < 32; ++x) {
        topWidth += transparent(image, x, 2) ? 0 : 1;
        palmWidth += transparent(image, x, 14) ? 0 : 1;
    }
    EXPECT_EQ(topWidth, 4);
    EXPECT_GT(palmWidth, 3 * topWidth);
}

// Damaged files are refused, never read past their end.
TEST(CursorReader, RefusesDamagedData) {
    const QByteArray good = resource("hand.cur");
    struct Damage {
        const char* label;
        QByteArray data;
    };
    auto patched = [&](int offset, QByteArray bytes) {
        QByteArray data = good;
        data.replace(offset, bytes.size(), bytes);
        return data;
    };
    const Damage cases[] = {
        {"empty", QByteArray()},
        {"directory only", good.left(6)},
        {"cut in the header", good.left(40)},
        {"cut in the pixels", good.left(good.size() - 1)},
        {"icon, not cursor", patched(2, QByteArray("\x01\x00", 2))},
        {"no images", patched(4, QByteArray("\x00\x00", 2))},
        {"image offset past the end", patched(18, QByteArray("\xff\xff\x00\x00", 4))},
        {"image size past the end", patched(14, QByteArray("\xff\xff\x00\x00", 4))},
        {"32 bits per pixel", patched(22 + 14, QByteArray("\x20\x00", 2))},
        {"compressed", patched(22 + 16, QByteArray("\x01\x00\x00\x00", 4))},
        {"odd stored height", patched(22 + 8, QByteArray("\x41\x00\x00\x00", 4))},
        {"huge width", patched(22 + 4, QByteArray("\x00\x00\x01\x00", 4))},
    };
    for (const Damage& d : cases) EXPECT_FALSE(app::readCursorFile(d.data).has_value()) << d.label;
    EXPECT_TRUE(app::readCursorFile(good).has_value());
    EXPECT_FALSE(app::loadCursorFile(QStringLiteral(":/app/resources/none.cur")).has_value());
}

}  // namespace

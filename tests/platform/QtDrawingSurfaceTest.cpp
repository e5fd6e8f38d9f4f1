// The QPainter surface: which pixels the integer pen, rectangles, clips and blends cover, how text
// is measured and turned, and that pixel copies come back unchanged.
#include "QtDrawingSurface.h"

#include "Globals.h"

#include <QBuffer>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include <functional>

namespace {

QImage Draw(int w, int h, const std::function<void(DrawingSurface&)>& draw)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QtDrawingSurface surface(painter, image.rect(), &image);
        draw(surface);
    }
    return image;
}

// The same drawing on an SVG generator, rendered back into an image of the same size.
QImage DrawThroughSvg(int w, int h, const std::function<void(DrawingSurface&)>& draw)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(w, h));
    generator.setViewBox(QRect(0, 0, w, h));
    generator.setResolution(96);
    {
        QPainter painter(&generator);
        QtDrawingSurface surface(painter, QRect(0, 0, w, h));
        draw(surface);
    }
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QSvgRenderer renderer(buffer.data());
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, w, h));
    return image;
}

bool IsBlack(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 60;
}

bool IsWhite(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) > 250;
}

// The integer pen's shapes: a line with both ends, a filled and a framed rectangle.
void PenShapes(DrawingSurface& s)
{
    s.RGBForeColor(kRGBBlack);
    s.MoveTo(2, 2);
    s.LineTo(2, 6);
    s.MoveTo(9, 9);
    s.LineTo(9, 9);  // a single pixel
    s.PaintRect({2, 12, 5, 17});     // columns 12..16, rows 2..4
    s.FrameRect({10, 10, 15, 16});   // columns 10..15, rows 10..14
}

void ExpectPenShapes(const QImage& image)
{
    for (int y = 2; y <= 6; ++y)
        EXPECT_TRUE(IsBlack(image, 2, y)) << y;
    EXPECT_TRUE(IsWhite(image, 2, 1));
    EXPECT_TRUE(IsWhite(image, 2, 7));
    EXPECT_TRUE(IsBlack(image, 9, 9));
    EXPECT_TRUE(IsBlack(image, 12, 2));
    EXPECT_TRUE(IsBlack(image, 16, 4));
    EXPECT_TRUE(IsWhite(image, 17, 4));
    EXPECT_TRUE(IsWhite(image, 16, 5));
    EXPECT_TRUE(IsBlack(image, 10, 10));
    EXPECT_TRUE(IsBlack(image, 15, 14));
    EXPECT_TRUE(IsWhite(image, 16, 14));
    EXPECT_TRUE(IsWhite(image, 15, 15));
    EXPECT_TRUE(IsWhite(image, 12, 12));  // inside the frame
}

}  // namespace

TEST(QtDrawingSurface, IntegerPenCoversWholePixels)
{
    ExpectPenShapes(Draw(20, 20, PenShapes));
}

TEST(QtDrawingSurface, VectorTargetsCoverTheSamePixels)
{
    ExpectPenShapes(DrawThroughSvg(20, 20, PenShapes));
}

TEST(QtDrawingSurface, BlendAndGreyPattern)
{
    const QImage image = Draw(20, 20, [](DrawingSurface& s) {
        s.RGBForeColor(kRGBBlack);
        s.PenModeBlend(kRGBAnthracite);  // weight 0.4
        s.MoveTo(3, 0);
        s.LineTo(3, 19);
        s.PenPatGray();
        s.MoveTo(8, 0);
        s.LineTo(8, 19);
        s.PenNormal();
        s.MoveTo(12, 0);
        s.LineTo(12, 19);
        // A rectangle painted with a blending pen lies over the picture.
        s.PenModeBlend(kRGBAnthracite);
        s.PaintRect({0, 15, 5, 20});
        s.PenNormal();
    });
    EXPECT_NEAR(qGray(image.pixel(3, 10)), 0.6 * 255, 3);
    EXPECT_NEAR(qGray(image.pixel(17, 2)), 0.6 * 255, 3);
    int black = 0;
    for (int y = 0; y < 20; ++y)
        black += IsBlack(image, 8, y);
    EXPECT_NEAR(black, 10, 1);
    EXPECT_TRUE(IsBlack(image, 12, 10));
}

TEST(QtDrawingSurface, ClipLimitsPenAndVectorLayer)
{
    const QImage image = Draw(30, 30, [](DrawingSurface& s) {
        s.ClipRect({5, 5, 15, 15});
        s.RGBForeColor(kRGBBlack);
        s.PaintRect({0, 0, 30, 30});
        s.ClipRect({20, 20, 30, 30});
        VectorLayer layer(s);
        s.ClipToRect({20, 20, 25, 25});
        s.SetFillColor(kRGBRed, 1);
        VectorPath p;
        p.AddEllipse({15, 15, 30, 30});
        s.FillPath(p);
    });
    EXPECT_TRUE(IsBlack(image, 5, 5));
    EXPECT_TRUE(IsBlack(image, 14, 14));
    EXPECT_TRUE(IsWhite(image, 15, 14));
    EXPECT_TRUE(IsWhite(image, 4, 10));
    EXPECT_EQ(image.pixel(22, 22), qRgb(255, 0, 0));
    EXPECT_TRUE(IsWhite(image, 27, 22));
}

TEST(QtDrawingSurface, TranslucentFillMixesWithTheBackground)
{
    const QImage image = Draw(10, 10, [](DrawingSurface& s) {
        VectorLayer layer(s);
        s.SetFillColor(kRGBBlue, 0.5);
        VectorPath p;
        p.AddRoundedRect({0, 0, 10, 10}, 0);
        s.FillPath(p);
    });
    const QRgb c = image.pixel(5, 5);
    EXPECT_NEAR(qRed(c), 128, 2);
    EXPECT_NEAR(qBlue(c), 255, 1);
}

TEST(QtDrawingSurface, PlotFontIsDejaVuSansAtExactPixelSizes)
{
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    QtDrawingSurface s(painter, image.rect(), &image);
    s.SetFont({kPlotFontName, 9, kFacePlain});
    QFont reference(kPlotFontFamily);
    reference.setPixelSize(90);
    const double perPixel = QFontMetricsF(reference, &image).horizontalAdvance("0123456789") / 90;
    EXPECT_NEAR(s.StringWidth("0123456789"), 9 * perPixel, 1.0);
    const FontMetricsRec m = s.GetFontMetrics();
    EXPECT_NEAR(m.ascent + m.descent, 9 * 1.16, 1.0);  // DejaVu Sans: 1.16 em per line
    s.SetFont({kPlotFontName, 18, kFaceItalic});
    EXPECT_NEAR(s.StringWidth("0123456789"), 18 * perPixel, 2.0);
    EXPECT_EQ(s.GetFont().face, kFaceItalic);
}

TEST(QtDrawingSurface, TextTurnedNinetyDegreesRunsUpwards)
{
    const QImage image = Draw(60, 120, [](DrawingSurface& s) {
        s.SetFont({kPlotFontName, 12, kFacePlain});
        s.RGBForeColor(kRGBBlack);
        VectorLayer layer(s);
        s.Translate(40, 100);
        s.Rotate(90);
        s.DrawString(0, 0, "MMMMMM");
    });
    int top = 120, bottom = -1, left = 60, right = -1;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 60; ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                top = std::min(top, y), bottom = std::max(bottom, y);
                left = std::min(left, x), right = std::max(right, x);
            }
    ASSERT_GE(bottom, 0);
    EXPECT_GT(bottom - top, 3 * (right - left));  // tall and narrow
    EXPECT_LE(bottom, 100);                       // from the start upwards
    EXPECT_LE(right, 40);                         // the letters' tops to the left of the baseline
}

TEST(QtDrawingSurface, PixelCopyComesBack)
{
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QtDrawingSurface s(painter, image.rect(), &image);
    s.RGBForeColor(kRGBGreen);
    s.PaintRect({0, 0, 10, 20});  // rows 0..9
    auto saved = s.CopyPixels({5, 5, 15, 15});
    ASSERT_NE(saved, nullptr);
    s.RGBForeColor(kRGBBlack);
    s.PaintRect({0, 0, 20, 20});
    s.RestorePixels(*saved);
    painter.end();
    EXPECT_EQ(image.pixel(6, 6), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(6, 12), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(4, 6), qRgb(0, 0, 0));

    // A vector target has no pixels to copy. (The buffer must outlive the generator.)
    QBuffer buffer;
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(20, 20));
    QPainter svgPainter(&generator);
    QtDrawingSurface vector(svgPainter, QRect(0, 0, 20, 20));
    EXPECT_EQ(vector.CopyPixels({0, 0, 5, 5}), nullptr);
}

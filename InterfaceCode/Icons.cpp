// Toolbar icons drawn with QPainter.
#include "Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include <cmath>
#include <cstring>

namespace {

constexpr int kSize = 24;

void Arrow(QPainter& p, QPointF from, QPointF to)
{
    p.drawLine(from, to);
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    if (len == 0)
        return;
    const QPointF u = d / len, n(-u.y(), u.x());
    QPolygonF head;
    head << to << to - u * 5 + n * 3.5 << to - u * 5 - n * 3.5;
    p.setBrush(p.pen().color());
    p.drawPolygon(head);
    p.setBrush(Qt::NoBrush);
}

void Curve(QPainter& p, bool filled)
{
    QPainterPath path;
    path.moveTo(3, 19);
    path.cubicTo(7, 19, 8, 5, 12, 5);
    path.cubicTo(16, 5, 17, 19, 21, 19);
    if (filled) {
        QPainterPath area = path;
        area.lineTo(3, 19);
        p.fillPath(area, QColor(80, 110, 200, 160));
    }
    p.drawPath(path);
}

void Draw(QPainter& p, const char* code)
{
    QPen pen(QColor(40, 40, 40), 1.6);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    auto is = [code](const char* c) { return std::strncmp(code, c, 4) == 0; };
    if (is("iArT")) {
        QPolygonF cursor;
        cursor << QPointF(7, 3) << QPointF(7, 19) << QPointF(11, 15) << QPointF(14, 21) << QPointF(16, 20)
               << QPointF(13, 14) << QPointF(18, 14);
        p.setBrush(Qt::white);
        p.drawPolygon(cursor);
    } else if (is("iMvT")) {
        p.setBrush(QColor(250, 230, 200));
        p.drawRoundedRect(QRectF(6, 9, 12, 11), 4, 4);
        for (int i = 0; i < 4; ++i)
            p.drawRoundedRect(QRectF(6 + 3 * i, 3 + (i == 0 || i == 3 ? 2 : 0), 3, 8), 1.5, 1.5);
    } else if (is("iMgT")) {
        p.drawEllipse(QPointF(10, 10), 6, 6);
        pen.setWidthF(3);
        p.setPen(pen);
        p.drawLine(QPointF(14.5, 14.5), QPointF(20, 20));
    } else if (is("iDsT")) {
        p.drawLine(QPointF(4, 6), QPointF(4, 18));
        p.drawLine(QPointF(20, 6), QPointF(20, 18));
        Arrow(p, QPointF(12, 12), QPointF(5, 12));
        Arrow(p, QPointF(12, 12), QPointF(19, 12));
    } else if (is("ixS+") || is("ixS-")) {
        const bool expand = code[3] == '+';
        Arrow(p, QPointF(12, 12), QPointF(expand ? 3 : 9, 12));
        Arrow(p, QPointF(12, 12), QPointF(expand ? 21 : 15, 12));
        p.drawLine(QPointF(expand ? 12 : 3, 6), QPointF(expand ? 12 : 3, 18));
        if (!expand)
            p.drawLine(QPointF(21, 6), QPointF(21, 18));
    } else if (is("iyS+") || is("iyS-") || is("iP+Y") || is("iP-Y")) {
        const bool expand = code[3] == '+' || code[2] == '+';
        Arrow(p, QPointF(12, 12), QPointF(12, expand ? 3 : 9));
        Arrow(p, QPointF(12, 12), QPointF(12, expand ? 21 : 15));
        if (code[1] == 'P')
            p.drawText(QRectF(14, 12, 10, 12), Qt::AlignCenter, QStringLiteral("y"));
    } else if (is("i-Dx") || is("i+Dx")) {
        Arrow(p, QPointF(code[1] == '-' ? 19 : 5, 12), QPointF(code[1] == '-' ? 4 : 20, 12));
    } else if (is("i+Dy") || is("i-Dy")) {
        Arrow(p, QPointF(12, code[1] == '+' ? 19 : 5), QPointF(12, code[1] == '+' ? 4 : 20));
    } else if (is("i0Dx")) {
        p.drawEllipse(QPointF(12, 12), 7, 7);
        p.drawLine(QPointF(12, 3), QPointF(12, 21));
        p.drawLine(QPointF(3, 12), QPointF(21, 12));
    } else if (is("iAxy") || is("iAy ")) {
        p.drawRect(QRectF(4, 4, 16, 16));
        Curve(p, false);
        p.drawText(QRectF(0, 0, kSize, 10), Qt::AlignCenter, code[2] == 'y' ? QStringLiteral("A") : QStringLiteral("Ay"));
    } else if (is("iGrf")) {
        Curve(p, false);
        p.drawLine(QPointF(3, 21), QPointF(21, 21));
    } else if (is("iFlm")) {
        for (int i = 0; i < 8; ++i) {
            const int g = i == 3 || i == 4 ? 20 : 200 - 15 * i;
            p.fillRect(QRectF(3 + 2.25 * i, 5, 2.25, 14), QColor(g, g, g));
        }
        p.drawRect(QRectF(3, 5, 18, 14));
    } else if (is("iMix") || is("iUMx")) {
        Curve(p, code[1] == 'M');
        QPainterPath second;
        second.moveTo(3, 19);
        second.cubicTo(10, 19, 12, 10, 16, 10);
        second.cubicTo(19, 10, 20, 19, 21, 19);
        p.setPen(QPen(QColor(200, 60, 60), 1.4));
        if (code[1] == 'U')
            p.drawPath(second);
    } else if (is("iTPL")) {
        p.drawRect(QRectF(3, 4, 18, 16));
        p.fillRect(QRectF(3, 4, 6, 16), QColor(120, 140, 190));
    } else if (is("iTSL")) {
        p.drawRect(QRectF(3, 4, 18, 16));
        p.fillRect(QRectF(15, 4, 6, 16), QColor(120, 140, 190));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(5, 8 + 4 * i), QPointF(12, 8 + 4 * i));
    } else {
        p.drawRect(QRectF(5, 5, 14, 14));
    }
}

}  // namespace

QIcon ToolbarIcon(const char* code)
{
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(kSize * scale, kSize * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        QFont font = p.font();
        font.setPixelSize(8);
        p.setFont(font);
        Draw(p, code);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

namespace {

constexpr int kListSize = 16;

// A sheet of paper with a folded corner, the shape of a file not read yet.
void Sheet(QPainter& p)
{
    QPolygonF page;
    page << QPointF(3.5, 1.5) << QPointF(10, 1.5) << QPointF(13.5, 5) << QPointF(13.5, 14.5) << QPointF(3.5, 14.5);
    p.setBrush(Qt::white);
    p.drawPolygon(page);
    p.drawPolyline(QPolygonF() << QPointF(10, 1.5) << QPointF(10, 5) << QPointF(13.5, 5));
}

// A cube seen from a corner, the crystal.
void Cube(QPainter& p, QPointF c, double r, const QColor& top, const QColor& left, const QColor& right)
{
    const QPointF up(0, -r), lo(0, r), ul(-r * 0.87, -r / 2), ur(r * 0.87, -r / 2), ll(-r * 0.87, r / 2),
        lr(r * 0.87, r / 2);
    p.setBrush(top);
    p.drawPolygon(QPolygonF() << c + up << c + ur << c << c + ul);
    p.setBrush(left);
    p.drawPolygon(QPolygonF() << c + ul << c << c + lo << c + ll);
    p.setBrush(right);
    p.drawPolygon(QPolygonF() << c << c + ur << c + lr << c + lo);
}

void Zigzag(QPainter& p, double x0, double y0, double w, double h)
{
    const double ys[] = {0.9, 0.75, 0.8, 0.1, 0.85, 0.7, 0.4, 0.9, 0.8};
    QPolygonF line;
    for (int i = 0; i < 9; ++i)
        line << QPointF(x0 + w * i / 8, y0 + h * ys[i]);
    p.drawPolyline(line);
}

void DrawListIcon(QPainter& p, const char* code)
{
    QPen pen(QColor(60, 60, 60), 1.0);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    auto is = [code](const char* c) { return std::strncmp(code, c, 4) == 0; };
    if (is("iCrL")) {
        Cube(p, QPointF(8, 8), 6.5, QColor(150, 190, 240), QColor(70, 120, 200), QColor(40, 80, 160));
    } else if (is("iCrM")) {
        Cube(p, QPointF(6, 6.5), 5, QColor(150, 190, 240), QColor(70, 120, 200), QColor(40, 80, 160));
        Cube(p, QPointF(10.5, 10), 5, QColor(240, 200, 150), QColor(210, 130, 60), QColor(170, 90, 30));
    } else if (is("iFOB")) {
        Sheet(p);
        p.setPen(QPen(QColor(120, 120, 120), 0.8));
        Cube(p, QPointF(8.5, 9.5), 3.5, QColor(225, 225, 225), QColor(190, 190, 190), QColor(160, 160, 160));
    } else if (is("iDsL")) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(QColor(200, 40, 40), 1.3));
        Zigzag(p, 2.5, 3, 11, 10);
    } else if (is("iFTx")) {
        Sheet(p);
        p.setPen(QPen(QColor(130, 130, 130), 0.8));
        Zigzag(p, 5, 7, 7, 6);
    } else if (is("iFGn")) {
        Sheet(p);
    } else if (is("iSL+")) {
        pen.setWidthF(2);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        p.drawLine(QPointF(8, 3), QPointF(8, 13));
        p.drawLine(QPointF(3, 8), QPointF(13, 8));
    } else if (is("iShc")) {
        // A gear: the commands of the list.
        p.setBrush(QColor(90, 90, 90));
        QPolygonF gear;
        for (int i = 0; i < 16; ++i) {
            const double a = i * M_PI / 8, r = (i % 2) ? 7.0 : 5.2;
            gear << QPointF(8 + r * std::cos(a), 8 + r * std::sin(a));
        }
        p.drawPolygon(gear);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
    }
}

}  // namespace

QIcon ListIcon(const char* code)
{
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(kListSize * scale, kListSize * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        DrawListIcon(p, code);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// Window arrangement geometry.
#include "ArrangementGeometry.h"

#include <algorithm>

namespace {

Rect Make(int left, int top, int width, int height)
{
    return Rect{static_cast<SInt16>(top), static_cast<SInt16>(left), static_cast<SInt16>(top + height),
                static_cast<SInt16>(left + width)};
}

}  // namespace

std::vector<Rect> StackWindowRects(int n, const Rect& area)
{
    std::vector<Rect> out;
    if (n < 1)
        return out;
    const int m = std::min(n, 8);
    const int k = n / 8 == 0 ? 0 : n / 8 - 1;
    const int width = area.Width() - 10 * (m + k) + 10;
    const int height = area.Height() - 20 * m + 20;
    for (int i = 1; i <= n; ++i) {
        const int j = (i - 1) / 8;
        const int left = area.left + 10 * (i - 1);
        const int top = area.top + 20 * ((i - 1) % 8);
        out.push_back(Make(left, top, width - 70 * j, height - 150 * j));
    }
    return out;
}

std::vector<Rect> TileWindowRects(int n, const Rect& area, int* rowsOut, int* columnsOut)
{
    int rows = 1, columns = 1;
    while (rows * columns < n) {
        if (columns == rows)
            ++columns;
        else
            ++rows;
    }
    if (rowsOut)
        *rowsOut = rows;
    if (columnsOut)
        *columnsOut = columns;
    std::vector<Rect> out;
    const int width = area.Width() / columns, height = area.Height() / rows;
    for (int i = 1; i <= n; ++i) {
        const int row = (i - 1) / columns, column = (i - 1) % columns;
        out.push_back(Make(area.left + column * width, area.top + row * height, width, height));
    }
    return out;
}

Rect FitWindowRect(const Rect& r, const Rect& area, int minWidth, int minHeight)
{
    const int width = std::min(std::max(r.Width(), minWidth), area.Width());
    const int height = std::min(std::max(r.Height(), minHeight), area.Height());
    const int left = std::clamp<int>(r.left, area.left, area.right - width);
    const int top = std::clamp<int>(r.top, area.top, area.bottom - height);
    return Make(left, top, width, height);
}

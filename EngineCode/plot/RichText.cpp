// Rich text: marker encoding, layout and drawing; site-label order.
#include "RichText.h"

#include "PlotShapes.h"
#include "TextBox.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace {

const std::string kEmDash = "\xE2\x80\x94";

// Byte length of the character starting at text[i].
std::size_t CharLength(const std::string& text, std::size_t i)
{
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
    if (i + n > text.size())
        return 1;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 1;
    return n;
}

bool IsDelimiterAt(const std::string& text, std::size_t i, std::size_t n)
{
    if (n == 1) {
        switch (text[i]) {
        case ' ': case '\t': case '\n': case '\r': case ',': case '-': case '.': case ':': case ';': return true;
        default: return false;
        }
    }
    return n == 3 && text.compare(i, 3, kEmDash) == 0;
}

// Cuts text and control to at most kMaxRichTextLength bytes, at a character boundary.
void CutToMaximum(std::string& text, std::string& control)
{
    if (text.size() <= kMaxRichTextLength)
        return;
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t n = CharLength(text, end);
        if (end + n > kMaxRichTextLength)
            break;
        end += n;
    }
    text.resize(end);
    control.resize(end);
}

struct StyledChar {
    std::string text;
    char control;
};

std::vector<StyledChar> SplitStyled(const std::string& text, const std::string& control)
{
    std::vector<StyledChar> chars;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = CharLength(text, i);
        chars.push_back({text.substr(i, n), i < control.size() ? control[i] : kControlPlain});
        i += n;
    }
    return chars;
}

}  // namespace

void FindAndEncodeSuperSubscripts(std::string& text, std::string& controlString)
{
    std::string out, control;
    char mode = 0;       // the marker of the run being copied, 0 outside runs
    bool first = false;  // the next character is the first of the run
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '^' || c == '_') {
            if (i + 1 < text.size()) {
                mode = c;
                first = true;
            }
            ++i;
            continue;
        }
        const std::size_t n = CharLength(text, i);
        const bool delimiter = IsDelimiterAt(text, i, n);
        out.append(text, i, n);
        control.append(n, mode ? mode : kControlPlain);
        if (mode && delimiter && !first)
            mode = 0;
        first = false;
        i += n;
    }
    CutToMaximum(out, control);
    text.swap(out);
    controlString.swap(control);
}

void FindAndEncodeOverbarText(std::string& text, std::string& controlString)
{
    const bool haveControl = controlString.size() == text.size();
    std::string out, control;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char ctl = haveControl ? controlString[i] : kControlPlain;
        out += c;
        control += ctl;
        if (c != kOverbarMarker || i + 1 >= text.size() || text[i + 1] == kOverbarMarker)
            continue;
        // One marker per character of the run that follows.
        std::size_t run = 0;
        for (std::size_t j = i + 1; j < text.size();) {
            const std::size_t n = CharLength(text, j);
            if (text[j] == kOverbarMarker || IsDelimiterAt(text, j, n))
                break;
            ++run;
            j += n;
        }
        for (std::size_t k = 1; k < run; ++k) {
            out += kOverbarMarker;
            control += kControlOverbar;
        }
    }
    for (std::size_t i = 0; i < out.size(); ++i)
        if (out[i] == kOverbarMarker) {
            out[i] = '_';
            control[i] = kControlOverbar;
        }
    CutToMaximum(out, control);
    text.swap(out);
    controlString.swap(control);
}

std::string FormatHKLWithOverbars(long h, long k, long l)
{
    std::string s;
    for (long v : {h, k, l}) {
        if (!s.empty())
            s += ' ';
        if (v < 0)
            s += kOverbarMarker;
        s += std::to_string(std::labs(v));
    }
    return s;
}

RichTextLayout LayoutRichText(DrawingSurface& s, const std::string& text, const std::string& fontName, double textSize)
{
    RichTextLayout layout;
    std::string t = text, control;
    FindAndEncodeSuperSubscripts(t, control);
    FindAndEncodeOverbarText(t, control);
    const std::vector<StyledChar> chars = SplitStyled(t, control);

    const double smallSize = std::max(1.0, std::trunc(0.6 * textSize));
    const double raise = std::trunc(0.45 * textSize);
    const double lower = std::trunc(0.3 * textSize);
    FontSpec font = s.GetFont();
    font.family = fontName;

    double x = 0;
    RichTextPiece piece;
    bool havePiece = false;
    auto flush = [&]() {
        if (!havePiece)
            return;
        font.size = piece.size;
        s.SetFont(font);
        x = piece.x + s.StringWidth(piece.text);
        layout.pieces.push_back(piece);
        havePiece = false;
    };

    std::size_t barChars = 0;  // characters still under the current bar
    double barStart = 0;
    auto endBar = [&]() {
        flush();
        layout.bars.push_back({barStart, x, 0.78 * textSize, std::max(1.0, textSize / 12)});
    };

    for (std::size_t i = 0; i < chars.size();) {
        if (chars[i].control == kControlOverbar) {
            std::size_t k = 0;
            while (i + k < chars.size() && chars[i + k].control == kControlOverbar)
                ++k;
            if (barChars > 0)
                endBar();
            flush();
            i += k;
            barChars = std::min(k, chars.size() - i);
            barStart = x;
            continue;
        }
        const char c = chars[i].control;
        const double size = c == kControlSuperscript || c == kControlSubscript ? smallSize : textSize;
        const double rise = c == kControlSuperscript ? raise : c == kControlSubscript ? -lower : 0;
        if (havePiece && (piece.size != size || piece.rise != rise))
            flush();
        if (!havePiece) {
            piece = {std::string(), x, rise, size};
            havePiece = true;
        }
        piece.text += chars[i].text;
        ++i;
        if (barChars > 0 && --barChars == 0)
            endBar();
    }
    flush();
    layout.width = x;
    return layout;
}

double RichTextWidth(DrawingSurface& s, const std::string& text, const std::string& fontName, double textSize)
{
    const FontSpec saved = s.GetFont();
    const double w = LayoutRichText(s, text, fontName, textSize).width;
    s.SetFont(saved);
    return w;
}

void MyDrawATSUIText(DrawingSurface& s, double xpix, double ypix, const std::string& text, const std::string& fontName,
                     double textSize, const RGBColor& fontColor, double rotationAngle, std::optional<RGBColor> hilite)
{
    SurfaceStateSaver saver(s);
    const RichTextLayout layout = LayoutRichText(s, text, fontName, textSize);
    VectorLayer layer(s);
    s.Translate(xpix, ypix);
    s.Rotate(rotationAngle);
    if (hilite && layout.width > 0) {
        // The line is textSize high above the baseline and a third of it below.
        const RectF r{0, -textSize, layout.width, textSize / 3};
        VectorPath pill;
        pill.AddRoundedRect(r, r.Height() / 2);
        s.SetFillColor(*hilite, 1.0);
        s.FillPath(pill);
    }
    s.RGBForeColor(fontColor);
    FontSpec font = s.GetFont();
    font.family = fontName;
    for (const RichTextPiece& p : layout.pieces) {
        font.size = p.size;
        s.SetFont(font);
        s.DrawString(p.x, -p.rise, p.text);
    }
    if (!layout.bars.empty()) {
        s.SetFillColor(fontColor, 1.0);
        VectorPath bars;
        for (const RichTextBar& b : layout.bars)
            if (b.x1 > b.x0)
                bars.AddRoundedRect({b.x0, -b.rise - b.thickness, b.x1, -b.rise}, 0);
        s.FillPath(bars);
    }
}

// ---- site labels ----

std::string GetAdjustedSiteLabel(std::string_view label)
{
    constexpr std::size_t kKeyLength = 11;
    if (label.size() > 10)
        return std::string(label.substr(0, kKeyLength));
    std::size_t digits = 0;
    while (digits < label.size() && std::isdigit(static_cast<unsigned char>(label[label.size() - 1 - digits])))
        ++digits;
    const std::string_view head = label.substr(0, label.size() - digits);
    const std::string_view tail = label.substr(label.size() - digits);
    return std::string(head) + std::string(kKeyLength - head.size() - tail.size(), '#') + std::string(tail);
}

int MyIntegerCompareSiteLabels(std::string_view site1, std::string_view site2)
{
    if (site1.size() == site2.size())
        return site1.compare(site2);
    return GetAdjustedSiteLabel(site1).compare(GetAdjustedSiteLabel(site2));
}

bool MyBooleanCompareSiteLabels(std::string_view site1, std::string_view site2)
{
    return MyIntegerCompareSiteLabels(site1, site2) < 0;
}

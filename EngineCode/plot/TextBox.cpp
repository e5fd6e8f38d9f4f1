// Texts in boxes on a drawing surface.
#include "TextBox.h"

#include <algorithm>
#include <cctype>

namespace {

const std::string kEllipsis = "\xE2\x80\xA6";  // …

std::size_t Utf8Length(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

std::string Join(const std::vector<std::string>& chars, std::size_t first, std::size_t count)
{
    std::string s;
    for (std::size_t i = first; i < first + count && i < chars.size(); ++i)
        s += chars[i];
    return s;
}

bool EndsWithNoCase(const std::string& s, const char* suffix)
{
    const std::string tail(suffix);
    if (s.size() < tail.size())
        return false;
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i])
            return false;
    return true;
}

}  // namespace

std::vector<std::string> SplitUtf8(const std::string& text)
{
    std::vector<std::string> chars;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t n = Utf8Length(static_cast<unsigned char>(text[i]));
        if (i + n > text.size())
            n = 1;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                n = 1;
                break;
            }
        chars.push_back(text.substr(i, n));
        i += n;
    }
    return chars;
}

std::string StripCrystalExtension(const std::string& name)
{
    if (EndsWithNoCase(name, ".obdf") || EndsWithNoCase(name, ".obd5"))
        return name.substr(0, name.size() - 5);
    return name;
}

std::string TruncateText(DrawingSurface& s, const std::string& text, double width, TruncateWhere where)
{
    if (s.StringWidth(text) <= width)
        return text;
    if (s.StringWidth(kEllipsis) > width)
        return {};
    const std::vector<std::string> chars = SplitUtf8(text);
    // The longest cut that fits: the width grows with the number of characters kept.
    auto make = [&](std::size_t kept) {
        if (where == TruncateWhere::End)
            return Join(chars, 0, kept) + kEllipsis;
        const std::size_t head = (kept + 1) / 2, tail = kept / 2;
        return Join(chars, 0, head) + kEllipsis + Join(chars, chars.size() - tail, tail);
    };
    std::size_t lo = 0, hi = chars.size();  // make(lo) fits, make(hi) is the whole text
    while (hi - lo > 1) {
        const std::size_t mid = (lo + hi) / 2;
        if (s.StringWidth(make(mid)) <= width)
            lo = mid;
        else
            hi = mid;
    }
    return make(lo);
}

void DrawTextBox(DrawingSurface& s, const std::string& text, const Rect& box, TextJustify justify)
{
    if (text.empty())
        return;
    const double w = s.StringWidth(text);
    double x = box.left;
    if (justify == TextJustify::Centre)
        x = (box.left + box.right - w) / 2;
    else if (justify == TextJustify::FlushRight)
        x = box.right - w;
    s.DrawString(x, box.top + s.GetFontMetrics().ascent, text);
}

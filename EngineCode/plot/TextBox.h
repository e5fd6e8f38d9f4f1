// Texts placed in boxes on a drawing surface: measured, truncated with an ellipsis at the end or
// in the middle, and drawn flush left, centred or flush right. Also the small text helpers the
// plot shares (UTF-8 characters, file extensions of pattern names).
#pragma once

#include "DrawingSurface.h"

#include <string>
#include <vector>

enum class TextJustify { FlushLeft, Centre, FlushRight };
enum class TruncateWhere { End, Middle };

// The UTF-8 characters of text, each as its own string (a broken byte counts as one character).
std::vector<std::string> SplitUtf8(const std::string& text);

// The pattern name without a trailing ".obdf" or ".obd5" (any case).
std::string StripCrystalExtension(const std::string& name);

// text when it fits in width in the current font; otherwise as many characters as fit with "…"
// at the end or in the middle; empty when not even the ellipsis fits.
std::string TruncateText(DrawingSurface& s, const std::string& text, double width, TruncateWhere where);

// Draws text in the current font and foreground colour with the top of its line at box.top,
// placed horizontally as justify says. The text is not truncated.
void DrawTextBox(DrawingSurface& s, const std::string& text, const Rect& box, TextJustify justify);

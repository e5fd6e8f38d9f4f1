// Marker encoding of rich text (super- and subscripts, overbars), its layout, and the natural
// order of site labels.
#include "RichText.h"
#include "RecordingSurface.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct EncodeCase {
    const char* input;
    const char* text;
    const char* control;
};

const EncodeCase kSuperSub[] = {
    {"plain", "plain", "00000"},
    {"m^2 s", "m2 s", "0^^0"},          // the run ends with the delimiter, which it includes
    {"H_2O", "H2O", "0__"},             // no delimiter: the run goes to the end
    {"x^", "x", "0"},                   // a marker at the end is dropped and marks nothing
    {"a_", "a", "0"},
    {"A^-1", "A-1", "0^^"},             // a leading hyphen belongs to the run
    {"a^b,c", "ab,c", "0^^0"},
    {"p^q_r", "pqr", "0^_"},            // a second marker starts a new run
};

const EncodeCase kOverbar[] = {
    {"1 \xF8" "1 0", "1 _1 0", "00\xF8" "000"},
    {"\xF8" "12 3", "__12 3", "\xF8\xF8" "0000"},          // one bar per character of the run
    {"\xF8\xF8" "12", "___12", "\xF8\xF8\xF8" "00"},      // a marker before a marker stays single
    {"ab\xF8", "ab_", "00\xF8"},                           // a bar at the end covers nothing
};

}  // namespace

TEST(RichText, SuperAndSubscriptEncoding)
{
    for (const EncodeCase& c : kSuperSub) {
        std::string text = c.input, control;
        FindAndEncodeSuperSubscripts(text, control);
        EXPECT_EQ(text, c.text) << c.input;
        EXPECT_EQ(control, c.control) << c.input;
    }
}

TEST(RichText, OverbarEncoding)
{
    for (const EncodeCase& c : kOverbar) {
        std::string text = c.input, control(text.size(), kControlPlain);
        FindAndEncodeOverbarText(text, control);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(control, c.control);
    }
}

TEST(RichText, EncodingCutsAt255BytesOnACharacterBoundary)
{
    std::string text(254, 'a');
    text += "\xC3\xA9x";  // é straddles byte 255
    std::string control;
    FindAndEncodeSuperSubscripts(text, control);
    EXPECT_EQ(text, std::string(254, 'a'));
    EXPECT_EQ(control.size(), text.size());
}

TEST(RichText, NegativeIndicesGetABarOverTheirDigits)
{
    EXPECT_EQ(FormatHKLWithOverbars(1, -1, 0), "1 \xF8" "1 0");
    EXPECT_EQ(FormatHKLWithOverbars(-10, 2, -3), "\xF8" "10 2 \xF8" "3");

    RecordingSurface s;  // 0.6 of the size per character
    const RichTextLayout layout = LayoutRichText(s, FormatHKLWithOverbars(1, -1, 0), kPlotFontName, 10);
    std::string shown;
    for (const RichTextPiece& p : layout.pieces)
        shown += p.text;
    EXPECT_EQ(shown, "1 1 0");
    EXPECT_DOUBLE_EQ(layout.width, 5 * 6.0);  // the bar takes no room
    ASSERT_EQ(layout.bars.size(), 1u);
    EXPECT_DOUBLE_EQ(layout.bars[0].x0, 12);  // over the third character
    EXPECT_DOUBLE_EQ(layout.bars[0].x1, 18);
    EXPECT_GT(layout.bars[0].rise, 0.7 * 10);  // above the digits

    const RichTextLayout two = LayoutRichText(s, FormatHKLWithOverbars(-10, 0, 0), kPlotFontName, 10);
    ASSERT_EQ(two.bars.size(), 1u);
    EXPECT_DOUBLE_EQ(two.bars[0].x0, 0);
    EXPECT_DOUBLE_EQ(two.bars[0].x1, 12);  // both digits of 10
}

TEST(RichText, RaisedRunIsSmallerAndLifted)
{
    RecordingSurface s;
    const RichTextLayout layout = LayoutRichText(s, "A^-1", kPlotFontName, 10);
    ASSERT_EQ(layout.pieces.size(), 2u);
    EXPECT_EQ(layout.pieces[0].text, "A");
    EXPECT_DOUBLE_EQ(layout.pieces[0].size, 10);
    EXPECT_EQ(layout.pieces[1].text, "-1");
    EXPECT_DOUBLE_EQ(layout.pieces[1].size, 6);   // 0.6 of the size
    EXPECT_DOUBLE_EQ(layout.pieces[1].rise, 4);   // 0.45 of it, truncated
    EXPECT_DOUBLE_EQ(layout.pieces[1].x, 6);
    EXPECT_DOUBLE_EQ(layout.width, 6 + 2 * 3.6);

    const RichTextLayout low = LayoutRichText(s, "H_2O", kPlotFontName, 10);
    ASSERT_EQ(low.pieces.size(), 2u);
    EXPECT_DOUBLE_EQ(low.pieces[1].rise, -3);     // lowered by 0.3 of the size
}

TEST(RichText, RotatedTextRunsUpwardsFromItsStart)
{
    RecordingSurface s;
    s.SetFont({kPlotFontName, 12, kFacePlain});
    MyDrawATSUIText(s, 100, 200, "A^2", kPlotFontName, 10, {1, 2, 3}, 90, std::nullopt);
    auto texts = s.Calls(RecordingSurface::Op::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_DOUBLE_EQ(texts[0]->origin.x, 100);
    EXPECT_DOUBLE_EQ(texts[0]->origin.y, 200);
    EXPECT_DOUBLE_EQ(texts[0]->angle, 90);
    EXPECT_EQ(texts[0]->color, (RGBColor{1, 2, 3}));
    // "2" starts 6 pixels further up and is lifted 4 pixels to the text's top (left).
    EXPECT_NEAR(texts[1]->origin.x, 96, 1e-9);
    EXPECT_NEAR(texts[1]->origin.y, 194, 1e-9);
    // The surface's font and colour are as they were.
    EXPECT_DOUBLE_EQ(s.GetFont().size, 12);
    EXPECT_EQ(s.VectorDepth(), 0);
}

TEST(SiteLabels, KeysPadTheTrailingDigits)
{
    EXPECT_EQ(GetAdjustedSiteLabel("Si1"), "Si########1");
    EXPECT_EQ(GetAdjustedSiteLabel("Si12"), "Si#######12");
    EXPECT_EQ(GetAdjustedSiteLabel("O"), "O##########");
    EXPECT_EQ(GetAdjustedSiteLabel("LongLabel123"), "LongLabel12");
}

TEST(SiteLabels, NaturalOrder)
{
    std::vector<std::string> labels = {"O10", "Si12", "O2", "O1a", "Si1", "O1"};
    std::sort(labels.begin(), labels.end(),
              [](const std::string& a, const std::string& b) { return MyBooleanCompareSiteLabels(a, b); });
    // O2 before O10 (keys), O10 before O1a (equal length: plain byte order).
    const std::vector<std::string> expected = {"O1", "O2", "O10", "O1a", "Si1", "Si12"};
    EXPECT_EQ(labels, expected);
    EXPECT_EQ(MyIntegerCompareSiteLabels("Fe1", "Fe1"), 0);
    EXPECT_LT(MyIntegerCompareSiteLabels("Si1", "Si12"), 0);
    EXPECT_GT(MyIntegerCompareSiteLabels("O1a", "O10"), 0);
}

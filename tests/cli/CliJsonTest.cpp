// The JSON listing: strings and numbers as JSON demands them, and a document written out in full
// against text composed by hand.
#include "CliJson.h"

#include "Document.h"
#include "engine/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

TEST(CliJson, StringsAreEscapedAndMadeValidUtf8)
{
    struct Case {
        const char* text;
        const char* json;
    };
    const Case cases[] = {
        {"quartz.cif", "\"quartz.cif\""},
        {"say \"hi\"\\", "\"say \\\"hi\\\"\\\\\""},
        {"a\nb\tc\rd", "\"a\\nb\\tc\\rd\""},
        {"\x01\x1f\x7f", "\"\\u0001\\u001f\\u007f\""},
        {"α-quartz, 2θ, Å", "\"α-quartz, 2θ, Å\""},
        {"\xF0\x9F\x92\x8E gem", "\"\xF0\x9F\x92\x8E gem\""},       // four bytes, valid
        {"caf\xE9.cif", "\"caf\xEF\xBF\xBD.cif\""},                  // Latin-1 byte
        {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},               // overlong '/'
        {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""}, // surrogate
        {"end\xE2\x82", "\"end\xEF\xBF\xBD\xEF\xBF\xBD\""},          // cut short
        {"\xF4\x90\x80\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // above U+10FFFF
    };
    for (const Case& c : cases)
        EXPECT_EQ(JsonString(c.text), c.json) << c.text;
    // A zero byte inside a name is escaped, not an end.
    EXPECT_EQ(JsonString(std::string("a\0b", 3)), "\"a\\u0000b\"");
}

TEST(CliJson, NumbersAreShortestAndNeverNaN)
{
    EXPECT_EQ(JsonNumber(1.5406f), "1.5406");
    EXPECT_EQ(JsonNumber(0.1f), "0.1");
    EXPECT_EQ(JsonNumber(120.0f), "120");
    EXPECT_EQ(JsonNumber(-2.5e-6f), "-2.5e-06");
    EXPECT_EQ(JsonNumber(std::numeric_limits<float>::quiet_NaN()), "null");
    EXPECT_EQ(JsonNumber(std::numeric_limits<float>::infinity()), "null");
}

TEST(CliJson, DocumentWrittenInPlotOrderWithoutDatasets)
{
    auto doc = CreateWindowInfo(gPrefs);
    EXPECT_EQ(ReflexionsJson(doc.get()), "{\"crystals\": []}\n");

    auto xp = MakeCrystal(4, 4, 5.5f, 90, 90, 120);
    xp->volume = 76.21f;
    xp->density = 2650;
    xp->refs.push_back(ReflexionRec{1, 0, 0, 6, 3.4641f, 25.7f, 0.125f, 0});
    xp->refs.push_back(ReflexionRec{-1, 0, 2, 12, 2.25f, 40.0f, 0.5f, 0});
    AddCrystalToDocument(doc.get(), std::move(xp), "b \"2\"");
    AddCrystalToDocument(doc.get(), MakeCrystal(3, 3, 3, 90, 90, 90), "a");
    auto data = CreatePattern();
    data->type = kPatternTypeDataset;
    data->dataset = CreateDataset(PrefDataRec{});
    data->name = "measured";
    InsertPatternIntoPlotList(doc.get(), InsertPatternIntoFileListSorted(doc.get(), std::move(data)), nullptr);

    const std::string expected =
        "{\"crystals\": [\n"
        "  {\"name\": \"b \\\"2\\\"\", \"cell\": {\"a\": 4, \"b\": 4, \"c\": 5.5, \"alpha\": 90, \"beta\": 90, \"gamma\": 120}, "
        "\"volume\": 76.21, \"density\": 2650, \"reflexions\": [\n"
        "    {\"h\": 1, \"k\": 0, \"l\": 0, \"d\": 3.4641, \"x\": 25.7, \"intensity\": 0.125, \"multiplicity\": 6},\n"
        "    {\"h\": -1, \"k\": 0, \"l\": 2, \"d\": 2.25, \"x\": 40, \"intensity\": 0.5, \"multiplicity\": 12}\n"
        "  ]},\n"
        "  {\"name\": \"a\", \"cell\": {\"a\": 3, \"b\": 3, \"c\": 3, \"alpha\": 90, \"beta\": 90, \"gamma\": 90}, "
        "\"volume\": 0, \"density\": 0, \"reflexions\": []}\n"
        "]}\n";
    EXPECT_EQ(ReflexionsJson(doc.get()), expected);
}

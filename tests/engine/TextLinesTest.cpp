// Line readers and locale-independent number scanning.
#include "TextLines.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

struct TextFile {
    std::string text;
    std::FILE* f;
    explicit TextFile(std::string t) : text(std::move(t)) { f = fmemopen(text.data(), text.size(), "rb"); }
    ~TextFile() { std::fclose(f); }
};

}  // namespace

TEST(TextLines, CrLfLinesAndEndOfFile)
{
    TextFile t("abc\r\ndef");
    char line[255];
    EXPECT_EQ(MyGetLine(t.f, line), 3);
    EXPECT_STREQ(line, "abc");
    EXPECT_EQ(MyGetLine(t.f, line), 3);
    EXPECT_STREQ(line, "def");
    EXPECT_EQ(MyGetLine(t.f, line), -1);
}

TEST(TextLines, LoneCrEndsALineAndEmptyLinesCount)
{
    TextFile t("a\rb\n\nc\r");
    char line[255];
    EXPECT_EQ(MyGetLine(t.f, line), 1);
    EXPECT_STREQ(line, "a");
    EXPECT_EQ(MyGetLine(t.f, line), 1);
    EXPECT_STREQ(line, "b");
    EXPECT_EQ(MyGetLine(t.f, line), 0);
    EXPECT_EQ(MyGetLine(t.f, line), 1);
    EXPECT_EQ(MyGetLine(t.f, line), -1);
}

TEST(TextLines, LongLineIsCutAt254)
{
    TextFile t(std::string(300, 'x') + "\nnext\n");
    char line[255];
    EXPECT_EQ(MyGetLine(t.f, line), 254);
    EXPECT_EQ(std::string(line).size(), 254u);
    EXPECT_EQ(MyGetLine(t.f, line), 4);
    EXPECT_STREQ(line, "next");
}

TEST(TextLines, Byte255IsEndOfFile)
{
    TextFile t(std::string("ab") + '\xFF');
    char line[255];
    EXPECT_EQ(MyGetLine(t.f, line), 2);
    EXPECT_EQ(MyGetLine(t.f, line), -1);
    TextFile u(std::string("a\nb\xFF\nc\n"));
    EXPECT_EQ(MyCountLines(u.f), 2);
}

TEST(TextLines, CountLinesCountsEveryCrAndLfAndRewinds)
{
    TextFile t("one\r\ntwo\r\n");
    EXPECT_EQ(MyCountLines(t.f), 5);
    char line[255];
    EXPECT_EQ(MyGetLine(t.f, line), 3);
    EXPECT_STREQ(line, "one");
}

TEST(TextLines, ScanNumbersIgnoresTheLocale)
{
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // may be missing; the scan must not care
    const char* p = "  1.5e2 -0.25\t+3 x";
    float a = 0, b = 0, c = 0, d = 0;
    EXPECT_TRUE(ScanFloat(p, a));
    EXPECT_TRUE(ScanFloat(p, b));
    EXPECT_TRUE(ScanFloat(p, c));
    EXPECT_FALSE(ScanFloat(p, d));
    EXPECT_EQ(a, 150.0f);
    EXPECT_EQ(b, -0.25f);
    EXPECT_EQ(c, 3.0f);
    long n = 0;
    const char* q = " -42abc";
    EXPECT_TRUE(ScanInt(q, n));
    EXPECT_EQ(n, -42);
    EXPECT_STREQ(q, "abc");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

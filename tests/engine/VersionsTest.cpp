// Version codes: fixed-position fields, free-form text and canonical text.
#include "Versions.h"

#include <gtest/gtest.h>

#include <string>

struct FieldCase {
    std::string field;
    UInt32 code;
};

class VersionFields : public ::testing::TestWithParam<FieldCase> {};

TEST_P(VersionFields, GetVersionInteger)
{
    EXPECT_EQ(GetVersionInteger(GetParam().field), GetParam().code) << GetParam().field;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, VersionFields,
    ::testing::Values(FieldCase{std::string("5.0.1\0\0\0\0", 9), 501300}, FieldCase{std::string("5.0.1b3\0\0", 9), 501203},
                      FieldCase{std::string(" 5.0.1b3\0", 9), 501203}, FieldCase{"12.3.4a12", 1234112},
                      FieldCase{"5.0.0d5  ", 500005}, FieldCase{"5.0.0P7  ", 500007},
                      FieldCase{"5.0.0f9  ", 500300},   // final: the build is not added
                      FieldCase{"5.1.2-   ", 500212},   // "-": build from minor and bugfix, beta
                      FieldCase{"5.0.1B23 ", 501223}));

struct TextCase {
    std::string text;
    UInt32 code;
};

class VersionTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(VersionTexts, VersStrToCode)
{
    UInt32 code = 1;
    EXPECT_TRUE(VersStrToCode(GetParam().text, &code));
    EXPECT_EQ(code, GetParam().code) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, VersionTexts,
                         ::testing::Values(TextCase{"5.1b2", 510202}, TextCase{"5.0.1", 501300},
                                           TextCase{"5.0.1f2", 501302}, TextCase{"5.0.1b3", 501203},
                                           TextCase{"5.2", 520300}, TextCase{"5.0.1A1", 501101}));

TEST(Versions, GarbageIsNotAVersion)
{
    UInt32 code = 1;
    EXPECT_FALSE(VersStrToCode("release", &code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(IsVersionField("garbage!!"));
    EXPECT_TRUE(IsVersionField(std::string("5.0.1\0\0\0\0", 9)));
    EXPECT_TRUE(IsVersionField(" 5.0.1b3 "));
}

TEST(Versions, CanonicalText)
{
    EXPECT_EQ(CanonicalVersStr(501300), "5.0.1");
    EXPECT_EQ(CanonicalVersStr(500300), "5.0");
    EXPECT_EQ(CanonicalVersStr(501203), "5.0.1b3");
    EXPECT_EQ(CanonicalVersStr(510202), "5.1b2");
    EXPECT_EQ(CanonicalVersStr(501302), "5.0.1f2");
    EXPECT_EQ(VersIntsToStr(5, 0, 0, 'F', 3), "5.0f3");
}

TEST(Versions, CodesCompareInReleaseOrder)
{
    UInt32 a, b, f;
    VersStrToCode("5.0.1a2", &a);
    VersStrToCode("5.0.1b1", &b);
    VersStrToCode("5.0.1", &f);
    EXPECT_LT(a, b);
    EXPECT_LT(b, f);
    int major, minor, bugfix, build;
    char stage;
    VersCodeToInts(b, &major, &minor, &bugfix, &stage, &build);
    EXPECT_EQ(VersIntsToCode(major, minor, bugfix, stage, build), b);
}

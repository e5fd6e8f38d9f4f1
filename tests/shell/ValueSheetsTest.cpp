// The value sheets: arrows step and clamp in the field's format, OK refuses what the sheet does not
// accept and stays open, an accepted value reaches the document with the setter's own limits, and
// one change redraws the plot once.
#include "ValueSheets.h"

#include "Document.h"
#include "GraphicsPane.h"
#include "MainWindow.h"
#include "ShellTestSupport.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

using Opener = std::function<ValueSheet*(MainWindow*)>;

QList<QLineEdit*> Fields(ValueSheet* sheet)
{
    return sheet->findChildren<QLineEdit*>();
}

class ValueSheetsTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        window = StartWith("silicon.cif");
        ASSERT_TRUE(window);
        doc = window->Doc();
    }
    // Types text into the sheet's field and presses OK; true when the sheet closed.
    static bool TypeAndConfirm(ValueSheet* sheet, int field, const QString& text)
    {
        Fields(sheet).at(field)->setText(text);
        sheet->accept();
        return !sheet->isVisible();
    }

    MainWindow* window = nullptr;
    WinInfoRec* doc = nullptr;
};

// ---- arrows ----

struct ArrowCase {
    const char* name;
    Opener open;
    int field;
    const char* start;
    bool up;
    const char* expected;  // the field after one click
};

void PrintTo(const ArrowCase& c, std::ostream* os)
{
    *os << c.name;
}

class SheetArrowTest : public ValueSheetsTest, public ::testing::WithParamInterface<ArrowCase> {};

TEST_P(SheetArrowTest, StepsWithinTheClampInTheFieldsFormat)
{
    const ArrowCase& c = GetParam();
    ValueSheet* sheet = c.open(window);
    ASSERT_TRUE(sheet);
    QLineEdit* edit = Fields(sheet).at(c.field);
    edit->setText(QString::fromLatin1(c.start));
    sheet->findChildren<QToolButton*>(c.up ? QStringLiteral("up") : QStringLiteral("down")).at(c.field)->click();
    EXPECT_EQ(edit->text().toStdString(), c.expected);
    sheet->reject();
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, SheetArrowTest,
    ::testing::Values(ArrowCase{"PeakWidthUp", RequestPeakWidth, 0, "1", true, "1.100"},
                      ArrowCase{"PeakWidthTop", RequestPeakWidth, 0, "59.95", true, "60.000"},
                      ArrowCase{"PeakWidthBottom", RequestPeakWidth, 0, "0.05", false, "0.001"},
                      ArrowCase{"SizeBottom", RequestParticleSize, 0, "0.0005", false, "0.0001"},
                      ArrowCase{"StrainTop", RequestPercentStrain, 0, "99.995", true, "100.00"},
                      ArrowCase{"EtaBottom", RequestPeakEta, 0, "0", false, "0.000"},
                      ArrowCase{"EnergyTop", RequestEnergyOptions, 0, "179.95", true, "180.000"},
                      ArrowCase{"FlightPathBottom", RequestTOFOptions, 1, "0.05", false, "0.00"},
                      ArrowCase{"LimitsStepOne", RequestPlotLimits, 0, "10", true, "11.000"},
                      ArrowCase{"UnreadableFieldStays", RequestPeakWidth, 0, "wide", true, "wide"}),
    [](const ::testing::TestParamInfo<ArrowCase>& info) { return std::string(info.param.name); });

// ---- OK ----

struct ConfirmCase {
    const char* name;
    Opener open;
    int field;
    const char* text;
    bool accepted;
    // What the document holds afterwards (only checked when accepted).
    std::function<double(WinInfoRec*)> stored;
    double expected;
    bool saysWhy = true;  // a refusal shows what the field takes
};

void PrintTo(const ConfirmCase& c, std::ostream* os)
{
    *os << c.name;
}

class SheetConfirmTest : public ValueSheetsTest, public ::testing::WithParamInterface<ConfirmCase> {};

TEST_P(SheetConfirmTest, RefusesWhatItDoesNotAcceptAndStaysOpen)
{
    const ConfirmCase& c = GetParam();
    const PlotSpecsRec before = doc->plotSpecs;
    ValueSheet* sheet = c.open(window);
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(sheet->isVisible());
    EXPECT_EQ(TypeAndConfirm(sheet, c.field, QString::fromLatin1(c.text)), c.accepted);
    if (c.accepted) {
        EXPECT_NEAR(c.stored(doc), c.expected, 1e-6 * std::max(1.0, std::fabs(c.expected)));
    } else {
        EXPECT_EQ(doc->plotSpecs.axisType, before.axisType);
        EXPECT_EQ(doc->plotSpecs.eta, before.eta);
        EXPECT_EQ(doc->plotSpecs.fwhm, before.fwhm);
        EXPECT_EQ(doc->plotSpecs.thetaEnergy, before.thetaEnergy);
        EXPECT_EQ(doc->plotSpecs.thetaTimeOfFlight, before.thetaTimeOfFlight);
        if (c.saysWhy) {
            EXPECT_FALSE(sheet->Problem().isEmpty()) << "a refusal says why";
        }
        sheet->reject();
    }
}

double Eta(WinInfoRec* d) { return d->plotSpecs.eta; }
double Fwhm(WinInfoRec* d) { return d->plotSpecs.fwhm; }
double ThetaEnergy(WinInfoRec* d) { return d->plotSpecs.thetaEnergy; }
double ParticleSize(WinInfoRec* d) { return GetFrontCrystal(d)->particleSize; }
double Strain(WinInfoRec* d) { return GetFrontCrystal(d)->strain; }
double Xmin(WinInfoRec* d) { return d->plotSpecs.xmin; }

INSTANTIATE_TEST_SUITE_P(
    Sheets, SheetConfirmTest,
    ::testing::Values(
        ConfirmCase{"EtaAboveOne", RequestPeakEta, 0, "1.5", false, Eta, 0},
        ConfirmCase{"EtaHalf", RequestPeakEta, 0, "0.5", true, Eta, 0.5},
        ConfirmCase{"EnergyBeyondBackscatter", RequestEnergyOptions, 0, "181", false, Eta, 0},
        // 90° 2θ is θ = π/4 radians.
        ConfirmCase{"EnergyRightAngle", RequestEnergyOptions, 0, "90", true, ThetaEnergy, M_PI / 4},
        ConfirmCase{"FlightPathZero", RequestTOFOptions, 1, "0", false, Eta, 0},
        // A detector at 0° sees nothing diffracted; an energy detector at 180° has no finite
        // Lorentz factor.
        ConfirmCase{"EnergyDetectorAtZero", RequestEnergyOptions, 0, "0", false, Eta, 0},
        ConfirmCase{"EnergyDetectorAtBackscatter", RequestEnergyOptions, 0, "180", false, Eta, 0},
        ConfirmCase{"TOFDetectorAtZero", RequestTOFOptions, 0, "0", false, Eta, 0},
        ConfirmCase{"ReflexionLimitsTinyD", RequestReflexionLimits, 0, "0.001", false, Eta, 0},
        ConfirmCase{"ReflexionLimitsCount", RequestReflexionLimits, 1, "250", true,
                    [](WinInfoRec* d) { return static_cast<double>(d->plotSpecs.maxNumRefs); }, 250},
        ConfirmCase{"DisplacementRadiusZero", RequestSpecimenDisplacement, 1, "0", false, Eta, 0},
        ConfirmCase{"DisplacementSet", RequestSpecimenDisplacement, 0, "0.12", true,
                    [](WinInfoRec* d) { return static_cast<double>(d->plotSpecs.specimenDisplacement); }, 0.12},
        ConfirmCase{"WidthNotANumber", RequestPeakWidth, 0, "wide", false, Eta, 0},
        // The setters' own limits: widths of at least 0.0001, sizes of at least 10 Å, strain at
        // most 100 %.
        ConfirmCase{"WidthTiny", RequestPeakWidth, 0, "0.00000001", true, Fwhm, 0.0001},
        ConfirmCase{"SizeTiny", RequestParticleSize, 0, "0.0005", true, ParticleSize, 10},
        ConfirmCase{"SizeTwoMicrons", RequestParticleSize, 0, "2", true, ParticleSize, 20000},
        ConfirmCase{"StrainAboveAll", RequestPercentStrain, 0, "150", true, Strain, 1.0},
        ConfirmCase{"LimitsBelowTheAxis", RequestPlotLimits, 0, "-5", false, Eta, 0, false},
        ConfirmCase{"LimitsReversed", RequestPlotLimits, 0, "120", false, Eta, 0, false},
        ConfirmCase{"LimitsInside", RequestPlotLimits, 0, "20", true, Xmin, 20}),
    [](const ::testing::TestParamInfo<ConfirmCase>& info) { return std::string(info.param.name); });

// ---- single sheets ----

TEST_F(ValueSheetsTest, WavelengthPresetsFillTheFieldsAndMonoHidesTheSecond)
{
    doc->plotSpecs.monochromatic = false;
    ValueSheet* sheet = RequestWavelength(window);
    const QList<QLineEdit*> f = Fields(sheet);
    ASSERT_EQ(f.size(), 3);
    EXPECT_TRUE(f[1]->isVisible());
    sheet->findChild<QPushButton*>(QStringLiteral("MoKa"))->click();
    EXPECT_EQ(f[0]->text(), QStringLiteral("0.70926"));
    EXPECT_EQ(f[1]->text(), QStringLiteral("0.71354"));
    EXPECT_TRUE(sheet->isVisible());  // a preset leaves the sheet open
    sheet->findChild<QCheckBox*>(QStringLiteral("Mono"))->setChecked(true);
    EXPECT_FALSE(f[1]->isVisible());
    EXPECT_FALSE(f[2]->isVisible());
    sheet->accept();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_FLOAT_EQ(doc->plotSpecs.lambda, 0.70926f);
    EXPECT_FLOAT_EQ(doc->plotSpecs.lambda2, 0.71354f);
    EXPECT_TRUE(doc->plotSpecs.monochromatic);
}

TEST_F(ValueSheetsTest, FindPeakCentresOnTheReflexionAndRefusesUnreadableIndices)
{
    doc->plotSpecs.xmin = 50;  // a view 20° wide, far from the reflexion
    doc->plotSpecs.xmax = 70;
    ValueSheet* sheet = DoShowFindPeakSheet(window);
    ASSERT_TRUE(sheet);
    QList<QLineEdit*> f = Fields(sheet);
    f[0]->setText(QStringLiteral("one"));
    sheet->accept();
    EXPECT_TRUE(sheet->isVisible());
    for (QLineEdit* e : f)
        e->setText(QStringLiteral("0"));  // 0 0 0 stands for 1 1 1
    sheet->accept();
    EXPECT_FALSE(sheet->isVisible());
    // Silicon, a = 5.431 Å: d(111) = a/√3 = 3.1356 Å, 2θ = 2·asin(λ/2d) = 28.44° for λ = 1.5405 Å.
    const double d111 = 5.431 / std::sqrt(3.0);
    const double tth = 2 * std::asin(doc->plotSpecs.lambda / (2 * d111)) * 180 / M_PI;
    EXPECT_NEAR(doc->plotSpecs.cursorXPos, tth, 0.01);
    EXPECT_NEAR(doc->plotSpecs.xmin, tth - 10, 0.01);
    EXPECT_NEAR(doc->plotSpecs.xmax, tth + 10, 0.01);
    EXPECT_TRUE(doc->plotSpecs.showCursor);
}

TEST_F(ValueSheetsTest, ExportProfileShowsTheChannelCountAndSavesWithTheChosenWidth)
{
    doc->plotSpecs.xmin = 20;
    doc->plotSpecs.xmax = 60;
    ValueSheet* sheet = RequestExportProfile(window);
    ASSERT_TRUE(sheet);
    QLineEdit* width = sheet->findChild<QLineEdit*>(QStringLiteral("width"));
    QLineEdit* count = sheet->findChild<QLineEdit*>(QStringLiteral("count"));
    // The proposal: one channel per pixel of the plot as drawn, but at least five across the
    // narrowest peak in view.
    const int pixels = doc->plotRect.Width();
    ASSERT_GT(pixels, 100);
    double narrowest = 1e9;
    for (const ReflexionRec& r : GetFrontCrystal(doc)->refs)
        if (r.tth >= 20 && r.tth <= 60)
            narrowest = std::min(narrowest, 2.0 * r.halfWidth);
    EXPECT_NEAR(width->text().toDouble(), std::min(40.0 / pixels, narrowest / 5), 0.0001);
    width->setText(QStringLiteral("0.001"));  // 40000 channels: too many
    EXPECT_EQ(count->text(), QStringLiteral("????"));
    sheet->accept();
    EXPECT_TRUE(sheet->isVisible());
    width->setText(QStringLiteral("30"));  // one channel: too few
    EXPECT_EQ(count->text(), QStringLiteral("1"));
    sheet->accept();
    EXPECT_TRUE(sheet->isVisible());
    width->setText(QStringLiteral("0.5"));
    EXPECT_EQ(count->text(), QStringLiteral("80"));
    dialogs.saveAnswers.push_back(Path(QStringLiteral("profile.txt")));
    sheet->accept();
    EXPECT_FALSE(sheet->isVisible());
    ASSERT_EQ(dialogs.saveProposals.size(), 1);
    EXPECT_EQ(dialogs.saveProposals[0], QStringLiteral("silicon Profile.txt"));
    QFile file(Path(QStringLiteral("profile.txt")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    EXPECT_EQ(lines.size(), 1 + 80);  // a heading, then one row a channel
    EXPECT_TRUE(lines.last().trimmed().startsWith("59.5"));
}

TEST_F(ValueSheetsTest, ExportProfileWithoutACrystalSaysSo)
{
    MainWindow* empty = app->DoNewWindow();
    ASSERT_NE(empty, window);
    EXPECT_EQ(RequestExportProfile(empty), nullptr);
    ASSERT_EQ(sink.Count(RecordingStatusSink::Kind::Alert), 1);
}

TEST_F(ValueSheetsTest, OneChangeRedrawsOnce)
{
    const int before = window->Pane()->RenderCount();
    ValueSheet* sheet = RequestPeakWidth(window);
    ASSERT_TRUE(TypeAndConfirm(sheet, 0, QStringLiteral("0.3")));
    Settle();
    EXPECT_EQ(window->Pane()->RenderCount(), before + 1);
    sheet = RequestTOFOptions(window);  // the axis changes and the pattern is recomputed
    ASSERT_TRUE(TypeAndConfirm(sheet, 0, QStringLiteral("90")));
    Settle();
    EXPECT_EQ(window->Pane()->RenderCount(), before + 2);
    EXPECT_EQ(doc->plotSpecs.axisType, kAxisTimeOfFlight);
}

}  // namespace

namespace {

// Typing a value and pressing Return applies it: the first field has the focus with its text
// selected, whatever the sheet.
TEST_F(ValueSheetsTest, SheetsOpenWithTheFirstFieldReadyForTyping)
{
    for (const Opener& open : std::vector<Opener>{RequestPeakWidth, RequestWavelength, RequestPlotLimits,
                                                   DoShowFindPeakSheet, RequestExportProfile}) {
        ValueSheet* sheet = open(window);
        ASSERT_TRUE(sheet);
        QLineEdit* first = Fields(sheet).value(0);
        ASSERT_TRUE(first);
        EXPECT_EQ(sheet->focusWidget(), first);
        EXPECT_EQ(sheet->FirstField(), first);
        EXPECT_EQ(first->selectedText(), first->text());
        EXPECT_FALSE(first->text().isEmpty());
        sheet->reject();
        Settle();
    }
    ValueSheet* sheet = RequestPeakWidth(window);
    QLineEdit* field = sheet->FirstField();
    QTest::keyClicks(field, QStringLiteral("0.3"));  // replaces the selected text
    QTest::keyClick(field, Qt::Key_Return);
    Settle();
    EXPECT_FLOAT_EQ(doc->plotSpecs.fwhm, 0.3f);
}

}  // namespace

// The preferences window: Edit > Preferences edits gPrefs through the window's controls, saving
// writes the preferences file at once and new windows take the values; cancelling or a factory
// reset followed by cancel changes nothing; the tab shown last is shown again.
#include "PreferencesWindow.h"

#include "CommandTable.h"
#include "Document.h"
#include "Globals.h"
#include "MainWindow.h"
#include "PrefsFile.h"
#include "ShellTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <numbers>

namespace {

class PreferencesWindowTest : public ShellTest {
protected:
    // Chooses Edit > Preferences and, once the window runs, lets work act on it in the user's place.
    void RunPreferences(MainWindow* w, const std::function<void(PreferencesWindow*)>& work)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* window = qobject_cast<PreferencesWindow*>(QApplication::activeModalWidget());
            ASSERT_TRUE(window);
            ran = true;
            work(window);
            if (window->isVisible())
                window->reject();
        });
        FindCommand(w, "pref")->trigger();
        EXPECT_TRUE(ran);
    }
    static void Type(PreferencesWindow* p, int id, const char* text)
    {
        static_cast<QLineEdit*>(p->Control(id))->setText(QString::fromUtf8(text));
    }
    static bool PrefsFileExists() { return QFileInfo::exists(QString::fromStdString(PrefsFilePath())); }
};

}  // namespace

TEST_F(PreferencesWindowTest, SavedValuesReachThePreferencesTheFileAndNewWindows)
{
    MainWindow* w = StartWith("silicon.cif");
    ASSERT_TRUE(w);
    dialogs.colourAnswers.push_back(RGBColor{0x1234, 0x5678, 0x9ABC});
    RunPreferences(w, [](PreferencesWindow* p) {
        Type(p, 203, "0.7093");
        Type(p, 210, "45");
        Type(p, 204, "0");  // refused: the previous second wavelength stays
        p->findChild<QRadioButton*>(QStringLiteral("c108-2"))->setChecked(true);
        static_cast<QComboBox*>(p->Control(601))->setCurrentIndex(2);  // Gaussian
        static_cast<QComboBox*>(p->Control(201))->setCurrentIndex(1);  // neutrons
        static_cast<QCheckBox*>(p->Control(102))->setChecked(false);
        static_cast<QToolButton*>(p->Control(501))->click();  // crystal colour, from the picker
        p->SaveButton()->click();
    });
    EXPECT_FLOAT_EQ(gPrefs.plotSpecs.lambda, 0.7093f);
    EXPECT_FLOAT_EQ(gPrefs.plotSpecs.thetaTimeOfFlight, static_cast<float>(std::numbers::pi / 4));
    EXPECT_EQ(gPrefs.plotSpecs.lambda2, gFactoryPrefs.plotSpecs.lambda2);
    EXPECT_EQ(gPrefs.plotSpecs.plotType, -3);
    EXPECT_EQ(gPrefs.plotSpecs.radType, kRadiationNeutrons);
    EXPECT_FALSE(gPrefs.showParameters);
    EXPECT_EQ(gPrefs.crystalColor.blue, 0x9ABC);
    EXPECT_TRUE(dialogs.asked.contains(QStringLiteral("colour")));
    // The file holds them now, without waiting for the program to quit.
    ASSERT_TRUE(PrefsFileExists());
    PrefDataRec read = gFactoryPrefs;
    ASSERT_TRUE(ReadPrefsFile(PrefsFilePath(), &read));
    EXPECT_FLOAT_EQ(read.plotSpecs.lambda, 0.7093f);
    EXPECT_EQ(read.plotSpecs.plotType, -3);
    EXPECT_FALSE(read.showParameters);
    EXPECT_EQ(read.crystalColor.blue, 0x9ABC);
    // The open window keeps its own settings; a new one takes the preferences.
    EXPECT_EQ(w->Doc()->plotSpecs.radType, kRadiationXRays);
    MainWindow* second = app->DoNewWindow();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->Doc()->plotSpecs.radType, kRadiationNeutrons);
    EXPECT_FLOAT_EQ(second->Doc()->plotSpecs.lambda, 0.7093f);
}

TEST_F(PreferencesWindowTest, SavingUntouchedControlsChangesNothing)
{
    MainWindow* w = Start();
    gPrefs.plotSpecs.thetaEnergy = 0.0123456f;
    gPrefs.crystalLineWidth = 1.5f;
    const PrefDataRec before = gPrefs;
    RunPreferences(w, [](PreferencesWindow* p) { p->SaveButton()->click(); });
    EXPECT_EQ(gPrefs.plotSpecs.thetaEnergy, before.plotSpecs.thetaEnergy);
    EXPECT_EQ(gPrefs.crystalLineWidth, before.crystalLineWidth);
    EXPECT_TRUE(PrefsFileExists());
}

TEST_F(PreferencesWindowTest, FactorySettingsThenCancelLeaveThePreferencesAndTheFileAlone)
{
    MainWindow* w = Start();
    gPrefs.plotSpecs.lambda = 0.5f;
    gPrefs.showLabel = true;
    RunPreferences(w, [](PreferencesWindow* p) {
        p->FactoryButton()->click();
        EXPECT_EQ(static_cast<QLineEdit*>(p->Control(203))->text(), QStringLiteral("1.5405"));
        EXPECT_FALSE(static_cast<QCheckBox*>(p->Control(401))->isChecked());
        p->CancelButton()->click();
    });
    EXPECT_EQ(gPrefs.plotSpecs.lambda, 0.5f);
    EXPECT_TRUE(gPrefs.showLabel);
    EXPECT_FALSE(PrefsFileExists());
}

TEST_F(PreferencesWindowTest, FactorySettingsThenSaveStoreTheFactoryValues)
{
    MainWindow* w = Start();
    gPrefs.plotSpecs.thetaTimeOfFlight = 0.3f;
    gPrefs.particleSize = 5;
    RunPreferences(w, [](PreferencesWindow* p) {
        p->FactoryButton()->click();
        p->SaveButton()->click();
    });
    EXPECT_EQ(gPrefs.plotSpecs.thetaTimeOfFlight, gFactoryPrefs.plotSpecs.thetaTimeOfFlight);
    EXPECT_EQ(gPrefs.particleSize, gFactoryPrefs.particleSize);
}

TEST_F(PreferencesWindowTest, TheTabShownLastIsShownAgain)
{
    MainWindow* w = Start();
    RunPreferences(w, [](PreferencesWindow* p) {
        EXPECT_EQ(p->Tabs()->count(), 6);
        p->Tabs()->setCurrentIndex(2);
        p->CancelButton()->click();
    });
    RunPreferences(w, [](PreferencesWindow* p) {
        EXPECT_EQ(p->Tabs()->currentIndex(), 2);
        p->Tabs()->setCurrentIndex(0);
        p->CancelButton()->click();
    });
}

TEST_F(PreferencesWindowTest, MonochromaticDisablesTheSecondWavelength)
{
    PreferencesWindow p(nullptr, gFactoryPrefs);
    auto* mono = static_cast<QCheckBox*>(p.Control(206));
    mono->setChecked(true);
    EXPECT_FALSE(p.Control(204)->isEnabled());
    mono->setChecked(false);
    EXPECT_TRUE(p.Control(204)->isEnabled());
    EXPECT_TRUE(p.Control(205)->isEnabled());
}

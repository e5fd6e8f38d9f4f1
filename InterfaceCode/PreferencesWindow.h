// The preferences window: six tabs that edit the user's preferences (what new windows show,
// radiation and instrument, peak profile and reflexion limits, sample, peak labels, plot styles).
// The controls are the widgets of a PrefsFormRec (PrefsEditing.h), which holds the rules of
// filling and reading them; new document windows take the saved values (Application.h).
#pragma once

#include "Globals.h"
#include "PrefsEditing.h"

#include <QDialog>

#include <array>

class Application;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class QToolButton;

class PreferencesWindow : public QDialog {
    Q_OBJECT
public:
    // Built on parent (may be null), filled from prefs, on the tab shown last.
    PreferencesWindow(QWidget* parent, const PrefDataRec& prefs);
    ~PreferencesWindow() override;

    // Fills the controls from prefs; later reads compare with it.
    void InitPrefsWindow(const PrefDataRec& prefs);
    // Reads the controls back into prefs (nothing else changes it).
    void ExtractPrefsWindow(PrefDataRec* prefs) const;
    // The factory preferences in the controls; nothing is stored until saved.
    void ResetToFactorySettings();
    // The colour picker on the held colour of a colour button (107, 501, 511, ...).
    void ChooseColour(int buttonID);

    PrefsFormRec Form() const;
    void SetForm(const PrefsFormRec& form);
    // A control by its number ("c203" is the first wavelength field); null for none.
    QWidget* Control(int id) const;
    QTabWidget* Tabs() const { return tabs_; }
    // The buttons: save, cancel and factory settings.
    QAbstractButton* SaveButton() const { return save_; }
    QAbstractButton* CancelButton() const { return cancel_; }
    QAbstractButton* FactoryButton() const { return factory_; }

private:
    QWidget* BuildWindowsTab();
    QWidget* BuildRadiationTab();
    QWidget* BuildProfileTab();
    QWidget* BuildSampleTab();
    QWidget* BuildLabelsTab();
    QWidget* BuildStylesTab();
    QCheckBox* Check(int id, const QString& text);
    QLineEdit* Field(int id);
    QComboBox* Popup(int id, const QStringList& items);
    QToolButton* ColourButton(int id);
    void ShowColour(QToolButton* button, const RGBColor& colour);
    void UpdateEnabling();
    RGBColor& HeldColour(int buttonID);

    PrefDataRec shownFrom_{};  // the record the controls were filled from
    RGBColor gPrefsWindowColor{};
    std::array<RGBColor, kPrefsPlotGroups> heldColours_{};  // the groups' colours being edited
    QTabWidget* tabs_ = nullptr;
    QAbstractButton* save_ = nullptr;
    QAbstractButton* cancel_ = nullptr;
    QAbstractButton* factory_ = nullptr;
};

// Runs the preferences window modally on prefs: true when the user saved (prefs then holds the
// window's values), false when cancelled.
bool GetPreferences(QWidget* parent, PrefDataRec* prefs);

// Edit > Preferences: the window on gPrefs; saved values are written to the preferences file at
// once, so that nothing is lost if the program ends abnormally later.
void DoPreferences(Application& app);

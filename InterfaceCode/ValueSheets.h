// The small value sheets of the Diffraction and Plot menus: wavelength (with presets and the
// monochromatic switch), peak width, crystallite size, strain, pseudo-Voigt mixing, energy and
// time-of-flight detectors, plot limits, window title, find-peak and the channel width of an
// exported profile. Each is a window-modal dialog on its document window; OK reads and checks the
// fields (a sheet that does not accept stays open) and hands the values to the engine's setter.
#pragma once

#include <QDialog>

#include <functional>
#include <vector>

class MainWindow;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
struct SheetField;

class ValueSheet : public QDialog {
    Q_OBJECT
public:
    ValueSheet(MainWindow* window, const QString& title);

    // A number field with its label, format, arrows (when the field has a step) and unit.
    QLineEdit* AddNumberField(const QString& label, const SheetField& field, double value, const QString& unit = {});
    // A number field whose arrows step by step within [low, high], shown with decimals.
    QLineEdit* AddNumberField(const QString& label, int decimals, double value, double step, double low, double high);
    QLineEdit* AddTextField(const QString& label, const QString& text);
    QGridLayout* Grid() const { return grid_; }
    // Shows why OK did not accept (the text stays until the next refusal or the sheet closes).
    void ShowProblem(const QString& text);
    QString Problem() const;

    // Called on OK; returns whether the sheet accepts (and then closes).
    std::function<bool()> onAccept;
    // Called once the sheet has closed after OK (to open a dialog of its own, say).
    std::function<void()> afterAccept;

    // The OK button's action, for tests and for Return.
    void accept() override;
    // The field that has the keyboard focus, its text selected, when the sheet opens.
    QLineEdit* FirstField() const { return firstField_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    MainWindow* window_;
    QLineEdit* firstField_ = nullptr;
    QGridLayout* grid_;
    QLabel* problem_;
    int rows_ = 0;
};

ValueSheet* RequestWavelength(MainWindow* window);
ValueSheet* RequestPeakWidth(MainWindow* window);
ValueSheet* RequestParticleSize(MainWindow* window);
ValueSheet* RequestPercentStrain(MainWindow* window);
ValueSheet* RequestPeakEta(MainWindow* window);
ValueSheet* RequestEnergyOptions(MainWindow* window);
ValueSheet* RequestTOFOptions(MainWindow* window);
// The smallest d-spacing and the cap on the number of reflexions of the window.
ValueSheet* RequestReflexionLimits(MainWindow* window);
// Specimen displacement and goniometer radius (Bragg–Brentano 2θ).
ValueSheet* RequestSpecimenDisplacement(MainWindow* window);
ValueSheet* RequestPlotLimits(MainWindow* window);
ValueSheet* InitWindowTitle(MainWindow* window);
ValueSheet* DoShowFindPeakSheet(MainWindow* window);
// The channel width of an exported profile, then the save dialog. Null (after a message) when the
// window has no crystal, or several shown singly and none selected.
ValueSheet* RequestExportProfile(MainWindow* window);

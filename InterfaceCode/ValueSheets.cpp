// Value sheets.
#include "ValueSheets.h"

#include "Alerts.h"
#include "Document.h"
#include "Globals.h"
#include "DocumentCommands.h"
#include "GraphicsPane.h"
#include "MainWindow.h"
#include "PlotCommands.h"
#include "Settings.h"
#include "Status.h"
#include "TextFormat.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// Indices remembered for the next find-peak sheet.
int gLastH = 1, gLastK = 1, gLastL = 1;

std::optional<double> Read(const QLineEdit* edit)
{
    return ReadSheetNumber(edit->text().toStdString());
}

QString Format(double value, int decimals)
{
    return QString::fromStdString(FormatFixed(value, 0, decimals));
}

std::optional<long> ReadInteger(const QLineEdit* edit)
{
    const std::optional<double> v = Read(edit);
    if (!v || *v != std::floor(*v) || std::fabs(*v) > 32000)
        return std::nullopt;
    return static_cast<long>(*v);
}

}  // namespace

ValueSheet::ValueSheet(MainWindow* window, const QString& title) : QDialog(window), window_(window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(title);
    // Children are owned by their Qt parent.
    auto* layout = new QVBoxLayout(this);
    grid_ = new QGridLayout;
    layout->addLayout(grid_);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("problem"));
    problem_->setStyleSheet(QStringLiteral("color: #b00000"));
    problem_->setWordWrap(true);
    problem_->hide();
    layout->addWidget(problem_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &ValueSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void ValueSheet::ShowProblem(const QString& text)
{
    problem_->setText(text);
    problem_->show();
}

QString ValueSheet::Problem() const
{
    return problem_->isVisible() ? problem_->text() : QString();
}

QLineEdit* ValueSheet::AddNumberField(const QString& label, int decimals, double value, double step, double low,
                                      double high)
{
    auto* edit = new QLineEdit(Format(value, decimals), this);
    edit->setAlignment(Qt::AlignRight);
    edit->setMaximumWidth(140);
    if (!firstField_)
        firstField_ = edit;
    grid_->addWidget(new QLabel(label, this), rows_, 0);
    grid_->addWidget(edit, rows_, 1);
    if (step > 0) {
        auto* arrows = new QWidget(this);
        auto* box = new QVBoxLayout(arrows);
        box->setContentsMargins(0, 0, 0, 0);
        box->setSpacing(0);
        for (bool up : {true, false}) {
            auto* b = new QToolButton(arrows);
            b->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
            b->setAutoRepeat(true);
            b->setFixedSize(18, 11);
            b->setObjectName(up ? QStringLiteral("up") : QStringLiteral("down"));
            box->addWidget(b);
            connect(b, &QToolButton::clicked, this, [edit, decimals, step, low, high, up] {
                const std::optional<double> v = Read(edit);
                if (!v) {
                    QApplication::beep();
                    return;
                }
                edit->setText(Format(std::clamp(*v + (up ? step : -step), low, high), decimals));
            });
        }
        grid_->addWidget(arrows, rows_, 2);
    }
    ++rows_;
    return edit;
}

QLineEdit* ValueSheet::AddNumberField(const QString& label, const SheetField& field, double value, const QString& unit)
{
    QLineEdit* edit = AddNumberField(label, field.decimals, value, field.step, field.clampMin, field.clampMax);
    if (!unit.isEmpty())
        grid_->addWidget(new QLabel(unit, this), rows_ - 1, 3);
    return edit;
}

QLineEdit* ValueSheet::AddTextField(const QString& label, const QString& text)
{
    auto* edit = new QLineEdit(text, this);
    if (!firstField_)
        firstField_ = edit;
    grid_->addWidget(new QLabel(label, this), rows_, 0);
    grid_->addWidget(edit, rows_, 1, 1, 3);
    ++rows_;
    edit->setMinimumWidth(240);
    return edit;
}

void ValueSheet::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Typing a value and pressing Return applies it.
    if (firstField_) {
        firstField_->setFocus(Qt::OtherFocusReason);
        firstField_->selectAll();
    }
}

void ValueSheet::accept()
{
    if (onAccept && !onAccept())
        return;  // not accepted: the sheet stays open
    QDialog::accept();
    if (afterAccept)
        afterAccept();
}

namespace {

// Opens a sheet with one number field that calls setter on OK.
ValueSheet* OneNumberSheet(MainWindow* window, const QString& title, const QString& label, const SheetField& field,
                           double value, const QString& unit, std::function<void(WinInfoRec*, Float32)> setter)
{
    auto* sheet = new ValueSheet(window, title);  // deletes itself when closed
    QLineEdit* edit = sheet->AddNumberField(label, field, value, unit);
    WinInfoRec* doc = window->Doc();
    sheet->onAccept = [sheet, edit, &field, doc, setter] {
        const std::optional<double> v = Read(edit);
        if (!v || !SheetAccepts(field, *v)) {
            sheet->ShowProblem(QString::fromStdString(SheetAcceptedRangeText(field)));
            return false;
        }
        setter(doc, static_cast<Float32>(*v));
        return true;
    };
    sheet->open();
    return sheet;
}

}  // namespace

ValueSheet* RequestWavelength(MainWindow* window)
{
    WinInfoRec* doc = window->Doc();
    const PlotSpecsRec& ps = doc->plotSpecs;
    auto* sheet = new ValueSheet(window, QObject::tr("Wavelength"));
    QLineEdit* l1 = sheet->AddNumberField(QObject::tr("Wavelength 1 (Å)"), SheetFields::kWavelength, ps.lambda);
    QLineEdit* l2 = sheet->AddNumberField(QObject::tr("Wavelength 2 (Å)"), SheetFields::kWavelength, ps.lambda2);
    QLineEdit* ratio = sheet->AddNumberField(QObject::tr("Intensity ratio 1 : 2"), SheetFields::kWavelength, ps.lambdaRatio);
    auto* mono = new QCheckBox(QObject::tr("Monochromatic"), sheet);
    mono->setObjectName(QStringLiteral("Mono"));
    mono->setChecked(ps.monochromatic);
    QGridLayout* grid = sheet->Grid();
    grid->addWidget(mono, 3, 0, 1, 2);
    auto showSecond = [grid, l2, ratio](bool monochromatic) {
        for (QLineEdit* e : {l2, ratio}) {
            int row, column, rs, cs;
            grid->getItemPosition(grid->indexOf(e), &row, &column, &rs, &cs);
            for (int c = 0; c < grid->columnCount(); ++c)
                if (QLayoutItem* item = grid->itemAtPosition(row, c); item && item->widget())
                    item->widget()->setVisible(!monochromatic);
        }
    };
    showSecond(ps.monochromatic);
    QObject::connect(mono, &QCheckBox::toggled, sheet, showSecond);
    auto* presets = new QHBoxLayout;
    for (const WavelengthPreset& p : kWavelengthPresets) {
        auto* b = new QPushButton(QString::fromLatin1(p.code).replace(QStringLiteral("Ka"), QStringLiteral(" Kα")), sheet);
        b->setObjectName(QString::fromLatin1(p.code));
        b->setAutoDefault(false);
        presets->addWidget(b);
        QObject::connect(b, &QPushButton::clicked, sheet, [l1, l2, &p] {
            l1->setText(Format(p.lambda1, SheetFields::kWavelength.decimals));
            l2->setText(Format(p.lambda2, SheetFields::kWavelength.decimals));
        });
    }
    grid->addLayout(presets, 4, 0, 1, 4);
    sheet->onAccept = [doc, l1, l2, ratio, mono] {
        const std::optional<double> a = Read(l1), b = Read(l2), r = Read(ratio);
        if (!a || !b || !r)
            return false;
        DoWavelength(doc, static_cast<Float32>(*a), static_cast<Float32>(*b), static_cast<Float32>(*r), mono->isChecked());
        return true;
    };
    sheet->open();
    return sheet;
}

ValueSheet* RequestPeakWidth(MainWindow* window)
{
    const PlotSpecsRec& ps = window->Doc()->plotSpecs;
    return OneNumberSheet(window, QObject::tr("Peak Width"), QObject::tr("Full width at half maximum"),
                          SheetFields::kPeakWidth, ps.fwhm, QString::fromStdString(PeakWidthUnitLabel(ps.axisType)),
                          DoPeakWidth);
}

ValueSheet* RequestParticleSize(MainWindow* window)
{
    return OneNumberSheet(window, QObject::tr("Crystallite Size"), QObject::tr("Crystallite size"),
                          SheetFields::kParticleSize, CurrentParticleSizeMicrons(window->Doc(), gPrefs), QStringLiteral("µm"),
                          DoParticleSize);
}

ValueSheet* RequestPercentStrain(MainWindow* window)
{
    return OneNumberSheet(window, QObject::tr("Strain"), QObject::tr("Micro-strain"), SheetFields::kStrain,
                          CurrentPercentStrain(window->Doc(), gPrefs), QStringLiteral("%"), DoPercentStrain);
}

ValueSheet* RequestPeakEta(MainWindow* window)
{
    return OneNumberSheet(window, QObject::tr("Pseudo-Voigt Mixing"), QObject::tr("Lorentzian fraction η"),
                          SheetFields::kEta, window->Doc()->plotSpecs.eta, {}, DoPeakEta);
}

ValueSheet* RequestEnergyOptions(MainWindow* window)
{
    return OneNumberSheet(window, QObject::tr("Energy-Dispersive Detector"), QObject::tr("Detector 2θ"),
                          SheetFields::kEnergyDetectorTwoTheta,
                          window->Doc()->plotSpecs.thetaEnergy * kThetaRadToTwoThetaDeg, QStringLiteral("°"),
                          DoEnergyOptions);
}

ValueSheet* RequestTOFOptions(MainWindow* window)
{
    WinInfoRec* doc = window->Doc();
    auto* sheet = new ValueSheet(window, QObject::tr("Time-of-Flight Detector"));
    QLineEdit* angle = sheet->AddNumberField(QObject::tr("Detector 2θ"), SheetFields::kDetectorTwoTheta,
                                             doc->plotSpecs.thetaTimeOfFlight * kThetaRadToTwoThetaDeg, QStringLiteral("°"));
    QLineEdit* path = sheet->AddNumberField(QObject::tr("Flight path"), SheetFields::kFlightPath,
                                            doc->plotSpecs.distanceTimeOfFlight, QStringLiteral("m"));
    sheet->onAccept = [sheet, doc, angle, path] {
        const std::optional<double> a = Read(angle), d = Read(path);
        if (!a || !SheetAccepts(SheetFields::kDetectorTwoTheta, *a)) {
            sheet->ShowProblem(QObject::tr("Detector 2θ: ") +
                               QString::fromStdString(SheetAcceptedRangeText(SheetFields::kDetectorTwoTheta)));
            return false;
        }
        if (!d || !SheetAccepts(SheetFields::kFlightPath, *d)) {
            sheet->ShowProblem(QObject::tr("Flight path: ") +
                               QString::fromStdString(SheetAcceptedRangeText(SheetFields::kFlightPath)));
            return false;
        }
        DoTOFOptions(doc, static_cast<Float32>(*a), static_cast<Float32>(*d));
        return true;
    };
    sheet->open();
    return sheet;
}

ValueSheet* RequestReflexionLimits(MainWindow* window)
{
    WinInfoRec* doc = window->Doc();
    const PlotSpecsRec& ps = doc->plotSpecs;
    auto* sheet = new ValueSheet(window, QObject::tr("Reflexion Limits"));
    QLineEdit* dmin = sheet->AddNumberField(QObject::tr("Smallest d-spacing"), SheetFields::kDMin, ps.dMin, QStringLiteral("Å"));
    QLineEdit* count = sheet->AddNumberField(QObject::tr("At most"), SheetFields::kMaxReflexions, ps.maxNumRefs,
                                             QObject::tr("reflexions"));
    auto* restrict = new QCheckBox(QObject::tr("Limit the number of reflexions"), sheet);
    restrict->setObjectName(QStringLiteral("Restrict"));
    restrict->setChecked(ps.restrictNumRefs);
    sheet->Grid()->addWidget(restrict, 2, 0, 1, 3);
    sheet->onAccept = [sheet, doc, dmin, count, restrict] {
        const std::optional<double> d = Read(dmin), n = Read(count);
        if (!d || !SheetAccepts(SheetFields::kDMin, *d)) {
            sheet->ShowProblem(QObject::tr("Smallest d-spacing: ") +
                               QString::fromStdString(SheetAcceptedRangeText(SheetFields::kDMin)));
            return false;
        }
        if (!n || *n != std::floor(*n) || !SheetAccepts(SheetFields::kMaxReflexions, *n)) {
            sheet->ShowProblem(QObject::tr("Number of reflexions: a whole number from 1 to 4294967295."));
            return false;
        }
        DoReflexionLimits(doc, static_cast<Float32>(*d), restrict->isChecked(), static_cast<UInt32>(*n));
        return true;
    };
    sheet->open();
    return sheet;
}

ValueSheet* RequestSpecimenDisplacement(MainWindow* window)
{
    WinInfoRec* doc = window->Doc();
    const PlotSpecsRec& ps = doc->plotSpecs;
    auto* sheet = new ValueSheet(window, QObject::tr("Specimen Displacement"));
    QLineEdit* shift = sheet->AddNumberField(QObject::tr("Displacement"), SheetFields::kDisplacement,
                                             ps.specimenDisplacement, QStringLiteral("mm"));
    QLineEdit* radius = sheet->AddNumberField(QObject::tr("Goniometer radius"), SheetFields::kGoniometerRadius,
                                              ps.goniometerRadius, QStringLiteral("mm"));
    sheet->onAccept = [sheet, doc, shift, radius] {
        const std::optional<double> s = Read(shift), r = Read(radius);
        if (!s || !SheetAccepts(SheetFields::kDisplacement, *s)) {
            sheet->ShowProblem(QObject::tr("Displacement: ") +
                               QString::fromStdString(SheetAcceptedRangeText(SheetFields::kDisplacement)));
            return false;
        }
        if (!r || !SheetAccepts(SheetFields::kGoniometerRadius, *r)) {
            sheet->ShowProblem(QObject::tr("Goniometer radius: ") +
                               QString::fromStdString(SheetAcceptedRangeText(SheetFields::kGoniometerRadius)));
            return false;
        }
        DoSpecimenDisplacement(doc, static_cast<Float32>(*s), static_cast<Float32>(*r));
        return true;
    };
    sheet->open();
    return sheet;
}

ValueSheet* RequestPlotLimits(MainWindow* window)
{
    WinInfoRec* doc = window->Doc();
    const PlotSpecsRec& ps = doc->plotSpecs;
    auto* sheet = new ValueSheet(window, QObject::tr("Plot Limits"));
    QLineEdit* lower = sheet->AddNumberField(QObject::tr("Lower limit"), 3, ps.xmin, 1.0, ps.xminLimit, ps.xmaxLimit);
    QLineEdit* upper = sheet->AddNumberField(QObject::tr("Upper limit"), 3, ps.xmax, 1.0, ps.xminLimit, ps.xmaxLimit);
    sheet->onAccept = [doc, lower, upper] {
        const std::optional<double> lo = Read(lower), hi = Read(upper);
        if (!lo || !hi || !PlotLimitsAcceptable(doc, *lo, *hi))
            return false;
        DoPlotLimits(doc, static_cast<Float32>(*lo), static_cast<Float32>(*hi));
        return true;
    };
    sheet->open();
    return sheet;
}

ValueSheet* InitWindowTitle(MainWindow* window)
{
    WinInfoRec* doc = window->Doc();
    auto* sheet = new ValueSheet(window, QObject::tr("Window Title"));
    QLineEdit* title = sheet->AddTextField(QObject::tr("Title"), QString::fromStdString(WindowTitleProposal(doc->filename)));
    sheet->onAccept = [doc, title] {
        DoWindowTitle(doc, title->text().toStdString());
        return true;
    };
    sheet->open();
    return sheet;
}

ValueSheet* DoShowFindPeakSheet(MainWindow* window)
{
    WinInfoRec* doc = window->Doc();
    CrystalDataRec* xp = FindPeakCrystal(doc);
    if (!xp) {
        MyCFStopAlert("Please_Select_Crystal");
        return nullptr;
    }
    auto* sheet = new ValueSheet(window, QObject::tr("Find Peak"));
    QLineEdit* h = sheet->AddTextField(QStringLiteral("h"), QString::number(gLastH));
    QLineEdit* k = sheet->AddTextField(QStringLiteral("k"), QString::number(gLastK));
    QLineEdit* l = sheet->AddTextField(QStringLiteral("l"), QString::number(gLastL));
    sheet->onAccept = [doc, xp, h, k, l] {
        const std::optional<long> vh = ReadInteger(h), vk = ReadInteger(k), vl = ReadInteger(l);
        if (!vh || !vk || !vl) {
            QApplication::beep();
            return false;
        }
        gLastH = static_cast<int>(*vh);
        gLastK = static_cast<int>(*vk);
        gLastL = static_cast<int>(*vl);
        DoGoToHKL(doc, xp, gLastH, gLastK, gLastL);
        return true;
    };
    sheet->open();
    return sheet;
}

ValueSheet* RequestExportProfile(MainWindow* window)
{
    WinInfoRec* doc = window->Doc();
    const std::string refusal = ExportProfileRefusal(doc);
    if (!refusal.empty()) {
        MyCFStopAlert(refusal);
        return nullptr;
    }
    // The proposal is one channel per pixel of the plot as it is drawn now.
    window->Pane()->RenderPending();
    const Float32 proposed = ProposedChannelWidth(doc, doc->plotRect.Width());
    doc->plotSpecs.exportChannelSize = proposed;
    auto* sheet = new ValueSheet(window, QObject::tr("Export Profile"));
    // Enough decimals to show the proposal, whose channels may be far finer than a pixel.
    const int decimals = proposed > 0 ? std::clamp(static_cast<int>(std::ceil(-std::log10(proposed))) + 2, 4, 8) : 4;
    QLineEdit* width = sheet->AddNumberField(QObject::tr("Channel width"), decimals, proposed, 0, 0, 0);
    width->setObjectName(QStringLiteral("width"));
    QLineEdit* count = sheet->AddTextField(QObject::tr("Channels"), {});
    count->setObjectName(QStringLiteral("count"));
    count->setReadOnly(true);
    count->setFocusPolicy(Qt::NoFocus);
    count->setMinimumWidth(0);
    auto showCount = [doc, width, count] {
        const std::optional<double> w = Read(width);
        count->setText(QString::fromStdString(w ? ExportChannelCountText(doc, *w) : std::string("????")));
    };
    showCount();
    QObject::connect(width, &QLineEdit::textChanged, sheet, showCount);
    sheet->onAccept = [doc, width] {
        const std::optional<double> w = Read(width);
        if (!w)
            return false;
        const std::optional<long> n = ExportChannelCount(doc, *w);
        if (!n || *n < 2)
            return false;
        doc->plotSpecs.exportChannelSize = static_cast<Float32>(*w);
        return true;
    };
    sheet->afterAccept = [window] { DoSaveFileAs(window, SaveKind::Profile); };
    sheet->open();
    return sheet;
}

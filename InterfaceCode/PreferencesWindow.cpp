// The preferences window.
#include "PreferencesWindow.h"

#include "Application.h"
#include "Dialogs.h"
#include "MainWindow.h"
#include "PrefsFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The tab shown last, shown again next time (0 is the first).
int gLastTabIndex = 0;

QString Name(int id)
{
    return QStringLiteral("c%1").arg(id);
}

QStringList Items(const std::vector<std::string>& items)
{
    QStringList out;
    for (const std::string& s : items)
        out << QString::fromStdString(s);
    return out;
}

std::string Text(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

int Position(const QComboBox* box)
{
    return box->currentIndex() + 1;  // 0 when nothing is chosen
}

QFormLayout* FormOf(QWidget* parent)
{
    auto* form = new QFormLayout(parent);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    return form;
}

QLabel* Note(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: #555555"));
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * 0.92);
    label->setFont(f);
    return label;
}

}  // namespace

PreferencesWindow::PreferencesWindow(QWidget* parent, const PrefDataRec& prefs) : QDialog(parent)
{
    setObjectName(QStringLiteral("Preferences"));
    setWindowTitle(tr("Preferences"));
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    // The panes 100, 200, 600, 300, 400, 500, in that order.
    tabs_->addTab(BuildWindowsTab(), tr("Windows"));
    tabs_->addTab(BuildRadiationTab(), tr("Radiation"));
    tabs_->addTab(BuildProfileTab(), tr("Profile"));
    tabs_->addTab(BuildSampleTab(), tr("Sample"));
    tabs_->addTab(BuildLabelsTab(), tr("Labels"));
    tabs_->addTab(BuildStylesTab(), tr("Styles"));
    layout->addWidget(tabs_);
    layout->addWidget(Note(tr("New windows take these settings; open windows keep their own."), this));

    auto* buttons = new QDialogButtonBox(this);
    factory_ = buttons->addButton(tr("Factory Settings"), QDialogButtonBox::ResetRole);
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    save_ = buttons->addButton(QDialogButtonBox::Save);
    static_cast<QPushButton*>(save_)->setDefault(true);
    connect(factory_, &QAbstractButton::clicked, this, &PreferencesWindow::ResetToFactorySettings);
    connect(cancel_, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(save_, &QAbstractButton::clicked, this, &QDialog::accept);
    layout->addWidget(buttons);

    InitPrefsWindow(prefs);
    tabs_->setCurrentIndex(gLastTabIndex);
    connect(tabs_, &QTabWidget::currentChanged, this, [](int index) { gLastTabIndex = index; });
}

PreferencesWindow::~PreferencesWindow() = default;

QCheckBox* PreferencesWindow::Check(int id, const QString& text)
{
    auto* box = new QCheckBox(text, this);
    box->setObjectName(Name(id));
    return box;
}

QLineEdit* PreferencesWindow::Field(int id)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(Name(id));
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000.0000")));
    return edit;
}

QComboBox* PreferencesWindow::Popup(int id, const QStringList& items)
{
    auto* box = new QComboBox(this);
    box->setObjectName(Name(id));
    for (const QString& item : items) {
        if (item == QLatin1String("-"))
            box->insertSeparator(box->count());
        else
            box->addItem(tr(item.toUtf8().constData()));
    }
    return box;
}

QToolButton* PreferencesWindow::ColourButton(int id)
{
    auto* button = new QToolButton(this);
    button->setObjectName(Name(id));
    button->setToolTip(tr("Choose the colour"));
    button->setIconSize(QSize(36, 14));
    connect(button, &QToolButton::clicked, this, [this, id] { ChooseColour(id); });
    return button;
}

void PreferencesWindow::ShowColour(QToolButton* button, const RGBColor& c)
{
    QPixmap swatch(button->iconSize());
    swatch.fill(QColor::fromRgb(c.red >> 8, c.green >> 8, c.blue >> 8));
    QPainter painter(&swatch);
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    painter.end();
    button->setIcon(QIcon(swatch));
}

QWidget* PreferencesWindow::BuildWindowsTab()
{
    auto* pane = new QWidget(this);
    auto* layout = new QVBoxLayout(pane);
    auto* shows = new QGroupBox(tr("A new window shows"), pane);
    auto* v = new QVBoxLayout(shows);
    v->addWidget(Check(101, tr("The toolbar")));
    v->addWidget(Check(102, tr("The parameter list")));
    v->addWidget(Check(103, tr("The structures list")));
    layout->addWidget(shows);

    auto* plot = new QGroupBox(tr("Its plot"), pane);
    auto* form = FormOf(plot);
    auto* kind = new QWidget(plot);
    auto* h = new QHBoxLayout(kind);
    h->setContentsMargins(0, 0, 0, 0);
    auto* graphs = new QRadioButton(tr("Graphs"), kind);
    graphs->setObjectName(QStringLiteral("c108-1"));
    auto* films = new QRadioButton(tr("Films"), kind);
    films->setObjectName(QStringLiteral("c108-2"));
    h->addWidget(graphs);
    h->addWidget(films);
    h->addStretch();
    form->addRow(tr("Patterns as:"), kind);
    form->addRow(QString(), Check(104, tr("Relative intensities (strongest peak 100)")));
    form->addRow(QString(), Check(105, tr("Legend")));
    form->addRow(QString(), Check(106, tr("Grid lines")));
    form->addRow(tr("Window colour:"), ColourButton(107));
    layout->addWidget(plot);
    layout->addStretch();
    return pane;
}

QWidget* PreferencesWindow::BuildRadiationTab()
{
    auto* pane = new QWidget(this);
    auto* layout = new QVBoxLayout(pane);
    auto* top = new QWidget(pane);
    auto* form = FormOf(top);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(tr("Radiation:"), Popup(201, {QStringLiteral("X-Rays"), QStringLiteral("Neutrons")}));
    form->addRow(tr("Axis:"), Popup(202, {QStringLiteral("Two Theta (°)"), QStringLiteral("d-Spacing (Å)"),
                                          QStringLiteral("1/d (Å⁻¹)"), QStringLiteral("Time of Flight (ms)"),
                                          QStringLiteral("Energy (keV)")}));
    layout->addWidget(top);

    auto* waves = new QGroupBox(tr("Angle-dispersive"), pane);
    auto* wf = FormOf(waves);
    wf->addRow(tr("Wavelength λ₁ (Å):"), Field(203));
    wf->addRow(QString(), Check(206, tr("Monochromatic (λ₁ only)")));
    wf->addRow(tr("Second wavelength λ₂ (Å):"), Field(204));
    wf->addRow(tr("Intensity ratio λ₁ : λ₂:"), Field(205));
    layout->addWidget(waves);

    auto* detectors = new QGroupBox(tr("Energy-dispersive and time-of-flight"), pane);
    auto* df = FormOf(detectors);
    df->addRow(tr("Energy detector θ (°):"), Field(211));
    df->addRow(tr("Time-of-flight detector θ (°):"), Field(210));
    df->addRow(tr("Flight path (m):"), Field(212));
    df->addRow(Note(tr("θ is half the scattering angle 2θ."), detectors));
    layout->addWidget(detectors);
    layout->addStretch();
    connect(static_cast<QCheckBox*>(Control(206)), &QCheckBox::toggled, this, &PreferencesWindow::UpdateEnabling);
    return pane;
}

QWidget* PreferencesWindow::BuildProfileTab()
{
    auto* pane = new QWidget(this);
    auto* layout = new QVBoxLayout(pane);
    auto* peaks = new QGroupBox(tr("Peaks"), pane);
    auto* pf = FormOf(peaks);
    pf->addRow(tr("Peak shape:"), Popup(601, {QStringLiteral("Sticks"), QStringLiteral("Lorentzian"),
                                              QStringLiteral("Gaussian"), QStringLiteral("Pseudo-Voigt")}));
    pf->addRow(tr("Instrument peak width (FWHM, axis units):"), Field(602));
    pf->addRow(tr("Pseudo-Voigt mixing η (Lorentzian fraction):"), Field(603));
    layout->addWidget(peaks);

    auto* limits = new QGroupBox(tr("Reflexion limits"), pane);
    auto* lf = FormOf(limits);
    lf->addRow(tr("Smallest d-spacing (Å):"), Field(604));
    lf->addRow(QString(), Check(605, tr("Limit the number of reflexions")));
    lf->addRow(tr("At most (reflexions):"), Field(606));
    lf->addRow(Note(tr("A lower d-spacing limit takes in more reflexions: their number grows as 1/d³, so "
                       "halving the limit gives about eight times as many, and each recalculation, slider "
                       "drag and redraw takes about that much longer and more memory. With the number "
                       "limited, generation stops at the cap and the reflexions of smallest d are left out "
                       "of the pattern."),
                    limits));
    layout->addWidget(limits);
    layout->addStretch();
    connect(static_cast<QCheckBox*>(Control(605)), &QCheckBox::toggled, this, &PreferencesWindow::UpdateEnabling);
    return pane;
}

QWidget* PreferencesWindow::BuildSampleTab()
{
    auto* pane = new QWidget(this);
    auto* layout = new QVBoxLayout(pane);
    auto* sample = new QGroupBox(tr("Broadening by the sample"), pane);
    auto* form = FormOf(sample);
    form->addRow(tr("Crystallite size (µm):"), Field(301));
    form->addRow(tr("Strain (%):"), Field(302));
    layout->addWidget(sample);
    layout->addStretch();
    return pane;
}

QWidget* PreferencesWindow::BuildLabelsTab()
{
    auto* pane = new QWidget(this);
    auto* layout = new QVBoxLayout(pane);
    auto* labels = new QGroupBox(tr("Peak labels of a new crystal"), pane);
    auto* form = FormOf(labels);
    form->addRow(QString(), Check(401, tr("Show labels")));
    form->addRow(tr("Label peaks above (% of the strongest):"), Field(402));
    form->addRow(tr("Labels show:"), Check(403, tr("Indices h k l")));
    form->addRow(QString(), Check(404, tr("d-Spacing")));
    form->addRow(QString(), Check(405, tr("Position")));
    form->addRow(QString(), Check(406, tr("Phase name")));
    layout->addWidget(labels);
    layout->addStretch();
    return pane;
}

QWidget* PreferencesWindow::BuildStylesTab()
{
    auto* pane = new QWidget(this);
    auto* layout = new QVBoxLayout(pane);
    auto* styles = new QGroupBox(tr("Plot styles"), pane);
    auto* grid = new QGridLayout(styles);
    const QStringList heads{tr("Colour"), tr("Style"), tr("Dashed"), tr("Marker size"), tr("Line width")};
    for (int c = 0; c < heads.size(); ++c)
        grid->addWidget(new QLabel(QStringLiteral("<i>%1</i>").arg(heads[c]), styles), 0, c + 1);
    const QString names[kPrefsPlotGroups] = {tr("Crystals"), tr("Crystal mixture"), tr("Datasets"),
                                             tr("Dataset mixture"), tr("Residual")};
    const QStringList plotStyles{QStringLiteral("Line"),  QStringLiteral("Filled"), QStringLiteral("Translucent"),
                                 QStringLiteral("Crosses"), QStringLiteral("Dots"), QStringLiteral("-"),
                                 QStringLiteral("Squares"), QStringLiteral("Line and Crosses"),
                                 QStringLiteral("Line and Dots"), QStringLiteral("Line and Squares")};
    for (int g = 0; g < kPrefsPlotGroups; ++g) {
        const int id = kPrefsPlotGroupButtons[static_cast<std::size_t>(g)];
        grid->addWidget(new QLabel(names[g], styles), g + 1, 0);
        grid->addWidget(ColourButton(id), g + 1, 1);
        grid->addWidget(Popup(id + 1, plotStyles), g + 1, 2);
        grid->addWidget(Check(id + 2, QString()), g + 1, 3, Qt::AlignCenter);
        grid->addWidget(Popup(id + 3, Items(MarkerSizeItems())), g + 1, 4);
        grid->addWidget(Popup(id + 4, Items(LineWidthItems())), g + 1, 5);
    }
    layout->addWidget(styles);

    auto* overlays = new QGroupBox(tr("Peak overlays"), pane);
    auto* h = new QHBoxLayout(overlays);
    h->addWidget(Check(551, tr("Overlay the peaks as")));
    h->addWidget(Popup(552, {QStringLiteral("Markers"), QStringLiteral("Dashed Profiles"),
                             QStringLiteral("Solid Profiles"), QStringLiteral("Filled Profiles")}));
    h->addStretch();
    layout->addWidget(overlays);
    layout->addStretch();
    connect(static_cast<QCheckBox*>(Control(551)), &QCheckBox::toggled, this, &PreferencesWindow::UpdateEnabling);
    return pane;
}

QWidget* PreferencesWindow::Control(int id) const
{
    return findChild<QWidget*>(Name(id));
}

RGBColor& PreferencesWindow::HeldColour(int buttonID)
{
    for (int g = 0; g < kPrefsPlotGroups; ++g)
        if (kPrefsPlotGroupButtons[static_cast<std::size_t>(g)] == buttonID)
            return heldColours_[static_cast<std::size_t>(g)];
    return gPrefsWindowColor;
}

void PreferencesWindow::ChooseColour(int buttonID)
{
    RGBColor colour = HeldColour(buttonID);
    if (!Dialogs().PickColour(this, QString(), colour))
        return;
    HeldColour(buttonID) = colour;
    if (auto* button = qobject_cast<QToolButton*>(Control(buttonID)))
        ShowColour(button, colour);
}

void PreferencesWindow::UpdateEnabling()
{
    const bool mono = static_cast<QCheckBox*>(Control(206))->isChecked();
    Control(204)->setEnabled(!mono);
    Control(205)->setEnabled(!mono);
    Control(606)->setEnabled(static_cast<QCheckBox*>(Control(605))->isChecked());
    Control(552)->setEnabled(static_cast<QCheckBox*>(Control(551))->isChecked());
}

PrefsFormRec PreferencesWindow::Form() const
{
    const auto check = [this](int id) { return static_cast<QCheckBox*>(Control(id))->isChecked(); };
    const auto text = [this](int id) { return Text(static_cast<QLineEdit*>(Control(id))); };
    const auto popup = [this](int id) { return Position(static_cast<QComboBox*>(Control(id))); };
    PrefsFormRec f;
    f.showToolbar = check(101);
    f.showParameters = check(102);
    f.showFiles = check(103);
    f.graphsOrFilms = findChild<QRadioButton*>(QStringLiteral("c108-2"))->isChecked() ? 2 : 1;
    f.relativeIntensity = check(104);
    f.showLegend = check(105);
    f.showGrids = check(106);
    f.windowColor = gPrefsWindowColor;
    f.radiation = popup(201);
    f.axis = popup(202);
    f.lambda = text(203);
    f.lambda2 = text(204);
    f.lambdaRatio = text(205);
    f.monochromatic = check(206);
    f.thetaTimeOfFlight = text(210);
    f.thetaEnergy = text(211);
    f.distanceTimeOfFlight = text(212);
    f.profile = popup(601);
    f.fwhm = text(602);
    f.eta = text(603);
    f.dMin = text(604);
    f.restrictNumRefs = check(605);
    f.maxNumRefs = text(606);
    f.particleSize = text(301);
    f.strain = text(302);
    f.showLabel = check(401);
    f.labelThreshold = text(402);
    f.labelHKL = check(403);
    f.labelDSpacings = check(404);
    f.labelTwoTheta = check(405);
    f.labelPhases = check(406);
    f.overlay = check(551);
    f.overlayStyle = popup(552);
    for (int g = 0; g < kPrefsPlotGroups; ++g) {
        PrefsPlotPaneRec& pane = f.panes[static_cast<std::size_t>(g)];
        const int id = kPrefsPlotGroupButtons[static_cast<std::size_t>(g)];
        pane.buttonID = static_cast<SInt16>(id);
        pane.color = heldColours_[static_cast<std::size_t>(g)];
        pane.plotStyle = popup(id + 1);
        pane.dashed = check(id + 2);
        pane.markerSize = popup(id + 3);
        pane.lineWidth = popup(id + 4);
    }
    return f;
}

void PreferencesWindow::SetForm(const PrefsFormRec& f)
{
    const auto check = [this](int id, bool on) { static_cast<QCheckBox*>(Control(id))->setChecked(on); };
    const auto text = [this](int id, const std::string& s) {
        static_cast<QLineEdit*>(Control(id))->setText(QString::fromStdString(s));
    };
    const auto popup = [this](int id, int position) { static_cast<QComboBox*>(Control(id))->setCurrentIndex(position - 1); };
    check(101, f.showToolbar);
    check(102, f.showParameters);
    check(103, f.showFiles);
    findChild<QRadioButton*>(QStringLiteral("c108-1"))->setChecked(f.graphsOrFilms != 2);
    findChild<QRadioButton*>(QStringLiteral("c108-2"))->setChecked(f.graphsOrFilms == 2);
    check(104, f.relativeIntensity);
    check(105, f.showLegend);
    check(106, f.showGrids);
    gPrefsWindowColor = f.windowColor;
    ShowColour(static_cast<QToolButton*>(Control(107)), f.windowColor);
    popup(201, f.radiation);
    popup(202, f.axis);
    text(203, f.lambda);
    text(204, f.lambda2);
    text(205, f.lambdaRatio);
    check(206, f.monochromatic);
    text(210, f.thetaTimeOfFlight);
    text(211, f.thetaEnergy);
    text(212, f.distanceTimeOfFlight);
    popup(601, f.profile);
    text(602, f.fwhm);
    text(603, f.eta);
    text(604, f.dMin);
    check(605, f.restrictNumRefs);
    text(606, f.maxNumRefs);
    text(301, f.particleSize);
    text(302, f.strain);
    check(401, f.showLabel);
    text(402, f.labelThreshold);
    check(403, f.labelHKL);
    check(404, f.labelDSpacings);
    check(405, f.labelTwoTheta);
    check(406, f.labelPhases);
    check(551, f.overlay);
    // With overlays off the pop-up still offers a style for when they are turned on.
    popup(552, f.overlayStyle > 0 ? f.overlayStyle : 1);
    for (int g = 0; g < kPrefsPlotGroups; ++g) {
        const PrefsPlotPaneRec& pane = f.panes[static_cast<std::size_t>(g)];
        const int id = kPrefsPlotGroupButtons[static_cast<std::size_t>(g)];
        heldColours_[static_cast<std::size_t>(g)] = pane.color;
        ShowColour(static_cast<QToolButton*>(Control(id)), pane.color);
        popup(id + 1, pane.plotStyle);
        check(id + 2, pane.dashed);
        popup(id + 3, pane.markerSize);
        popup(id + 4, pane.lineWidth);
    }
    UpdateEnabling();
}

void PreferencesWindow::InitPrefsWindow(const PrefDataRec& prefs)
{
    shownFrom_ = prefs;
    SetForm(InitPrefsForm(prefs));
}

void PreferencesWindow::ExtractPrefsWindow(PrefDataRec* prefs) const
{
    ExtractPrefsForm(Form(), shownFrom_, prefs);
}

void PreferencesWindow::ResetToFactorySettings()
{
    InitPrefsWindow(gFactoryPrefs);
}

bool GetPreferences(QWidget* parent, PrefDataRec* prefs)
{
    PreferencesWindow window(parent, *prefs);
    if (window.exec() != QDialog::Accepted)
        return false;
    window.ExtractPrefsWindow(prefs);
    return true;
}

void DoPreferences(Application& app)
{
    MainWindow* front = app.FrontWindow();
    if (!GetPreferences(front, &gPrefs))
        return;
    // The window defaults are among what was edited: they are written whether or not a window
    // is open, with the bounds the next first window takes.
    const Rect bounds = front ? front->ContentBounds() : gPrefs.windowBounds;
    // As at quit: a preferences file that cannot be written loses nothing of the documents.
    (void)CreateAndSavePrefsFile(gPrefs, &bounds);
}

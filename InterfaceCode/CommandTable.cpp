// The command table and the menus built from it.
#include "CommandTable.h"

#include "Alerts.h"
#include "Application.h"
#include "Commands.h"
#include "CrystalEditor.h"
#include "Dialogs.h"
#include "Document.h"
#include "DocumentCommands.h"
#include "Globals.h"
#include "GraphicsPane.h"
#include "ListingWindow.h"
#include "MainWindow.h"
#include "PlotExport.h"
#include "PlotCommands.h"
#include "PlotTransfer.h"
#include "PreferencesWindow.h"
#include "Settings.h"
#include "Status.h"
#include "StringTable.h"
#include "StructuresList.h"
#include "Styling.h"
#include "TextLines.h"
#if VELMORA_UPDATE_CHECK
#include "UpdateCheck.h"
#endif
#include "ValueSheets.h"
#include "ViewTransforms.h"
#include "WindowArrangement.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>

#include <cstring>
#include <iterator>
#include <map>
#include <string_view>

namespace {

using Handler = std::function<void(Application&, MainWindow*, QAction*)>;

// A handler that needs a front window and calls f on its document.
template <typename F>
Handler OnDoc(F f)
{
    return [f](Application&, MainWindow* w, QAction*) {
        if (w)
            f(w->Doc());
    };
}

template <typename F>
Handler OnWindow(F f)
{
    return [f](Application&, MainWindow* w, QAction*) {
        if (w)
            f(w);
    };
}

// The colour picker; false when cancelled.
bool PickColour(QWidget* parent, const QString& prompt, RGBColor& colour)
{
    return Dialogs().PickColour(parent, prompt, colour);
}

// The plot of a window on the printer's page; a failure is reported.
void PrintWindow(MainWindow* w, QPrinter& printer)
{
    w->Pane()->RenderPending();
    std::string error;
    if (!PrintPlot(w->Doc(), printer, w->Pane()->width(), &error) && !error.empty())
        MyCFStopAlertText(error);
}

// The number an item's title starts with, for the commands that take their value from it.
bool ItemNumber(const QAction* action, float& value)
{
    const std::string text = action->text().remove(QLatin1Char('&')).toStdString();
    const char* p = text.c_str();
    return ScanFloat(p, value);
}

std::vector<CommandEntry> MakeTable()
{
    std::vector<CommandEntry> t;
    auto add = [&t](const char* code, const char* menu, const char* label, QKeySequence key, Handler h,
                    bool checkable = false) { t.push_back({code, menu, label, key, std::move(h), checkable}); };
    const Handler later;  // the part of the program that carries it is not there yet

    // File
    add("open", "File", "&Open…", QKeySequence::Open, [](Application& a, MainWindow*, QAction*) { a.DoOpen(); });
    add("+Win", "File", "&New Window", QKeySequence::New, [](Application& a, MainWindow*, QAction*) { a.DoNewWindow(); });
    add("+Dat", "File", "&Add Files…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), OnWindow(DoOpenInSameWindow));
    add("clos", "File", "&Close", QKeySequence::Close, OnWindow([](MainWindow* w) { w->close(); }));
    add("save", "File", "&Save", QKeySequence::Save, OnWindow([](MainWindow* w) { DoSaveFile(w); }));
    add("svas", "File", "Save &As…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
        OnWindow([](MainWindow* w) { DoSaveFileAs(w, SaveKind::Session); }));
    add("xLst", "File", "Export Reflexion &Listing…", QKeySequence(Qt::CTRL | Qt::Key_E),
        OnWindow([](MainWindow* w) { DoSaveFileAs(w, SaveKind::Listing); }));
    add("xFac", "File", "Export &Structure Factors…", {},
        OnWindow([](MainWindow* w) { DoSaveFileAs(w, SaveKind::StructureFactors); }));
    add("xPro", "File", "Export &Profile…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), OnWindow(RequestExportProfile));
    add("xPlt", "File", "Export P&lot…", {}, OnWindow([](MainWindow* w) { RequestExportPlot(w); }));
    add("page", "File", "Page Set&up…", {}, [](Application& a, MainWindow* w, QAction*) {
            if (w)
                Dialogs().PageSetup(w, a.Printer());
        });
    add("prnt", "File", "&Print…", QKeySequence::Print, [](Application& a, MainWindow* w, QAction*) {
            if (w && Dialogs().Print(w, a.Printer()))
                PrintWindow(w, a.Printer());
        });
    add("quit", "File", "&Quit", QKeySequence::Quit, [](Application& a, MainWindow*, QAction*) { a.DoQuit(); });

    // Edit
    add("undo", "Edit", "&Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), OnWindow([](MainWindow* w) { w->UndoParameterChange(); }));
    add("redo", "Edit", "&Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
        OnWindow([](MainWindow* w) { w->RedoParameterChange(); }));
    add("copy", "Edit", "&Copy", QKeySequence::Copy, OnWindow(CopyPlot));
    add("sall", "Edit", "Select &All Patterns", QKeySequence::SelectAll, OnDoc(SelectAllFiles));
    add("pref", "Edit", "&Preferences…", QKeySequence::Preferences,
        [](Application& a, MainWindow*, QAction*) { DoPreferences(a); });

    // Diffraction
    add("RCal", "Diffraction", "&Recalculate", QKeySequence(Qt::CTRL | Qt::Key_R), OnDoc(DoRecalculate));
    add("2Tht", "Diffraction", "&Two Theta", {}, OnDoc([](WinInfoRec* d) { DoAxisType(d, kAxisTwoTheta); }), true);
    add("DSpa", "Diffraction", "&d-Spacing", {}, OnDoc([](WinInfoRec* d) { DoAxisType(d, kAxisDSpacing); }), true);
    add("RcpD", "Diffraction", "&1/d", {}, OnDoc([](WinInfoRec* d) { DoAxisType(d, kAxisReciprocalD); }), true);
    add("^TOF", "Diffraction", "Time of &Flight…", {}, OnWindow(RequestTOFOptions), true);
    add("^Eng", "Diffraction", "&Energy Dispersive…", {}, OnWindow(RequestEnergyOptions), true);
    add("XRay", "Diffraction", "&X-Rays", {}, OnDoc([](WinInfoRec* d) {
            if (d->plotSpecs.radType != kRadiationXRays)
                ToggleRadiation(d);
        }), true);
    add("Neut", "Diffraction", "&Neutrons", {}, OnDoc([](WinInfoRec* d) {
            if (d->plotSpecs.radType != kRadiationNeutrons)
                ToggleRadiation(d);
        }), true);
    add("Anom", "Diffraction", "&Anomalous Scattering", {}, OnDoc(ToggleAnomalous), true);
    add("Dlta", "Diffraction", "&Sticks", QKeySequence(Qt::CTRL | Qt::Key_1), OnDoc([](WinInfoRec* d) { DoPeakFunction(d, 1); }), true);
    add("Lrnz", "Diffraction", "&Lorentzian", QKeySequence(Qt::CTRL | Qt::Key_2), OnDoc([](WinInfoRec* d) { DoPeakFunction(d, 2); }), true);
    add("Gaus", "Diffraction", "&Gaussian", QKeySequence(Qt::CTRL | Qt::Key_3), OnDoc([](WinInfoRec* d) { DoPeakFunction(d, 3); }), true);
    add("PVgt", "Diffraction", "&Pseudo-Voigt", QKeySequence(Qt::CTRL | Qt::Key_4), OnDoc([](WinInfoRec* d) { DoPeakFunction(d, 4); }), true);
    add("^Eta", "Diffraction", "Pseudo-Voigt &Mixing…", {}, OnWindow(RequestPeakEta));
    add("^Wav", "Diffraction", "&Wavelength…", QKeySequence(Qt::CTRL | Qt::Key_L), OnWindow(RequestWavelength));
    add("^FWH", "Diffraction", "Peak &Width…", {}, OnWindow(RequestPeakWidth));
    add("^PSz", "Diffraction", "&Crystallite Size…", {}, OnWindow(RequestParticleSize));
    add("^Str", "Diffraction", "S&train…", {}, OnWindow(RequestPercentStrain));
    add("^RLm", "Diffraction", "Reflexion &Limits…", {}, OnWindow(RequestReflexionLimits));
    add("^SDs", "Diffraction", "Specimen &Displacement…", {}, OnWindow(RequestSpecimenDisplacement));
    add("^Xtl", "Diffraction", "Edit Cr&ystal…", {}, OnWindow([](MainWindow* w) { RequestEditCrystal(w); }));
    add("*Lst", "Diffraction", "List Re&flexions", {}, OnWindow(ShowListingWindow));

    // Plot
    add("Grph", "Plot", "&Graphs", {}, OnDoc([](WinInfoRec* d) {
            if (d->plotSpecs.plotType < 0)
                TogglePlotGraphOrFilm(d);
        }), true);
    add("Film", "Plot", "&Films", {}, OnDoc([](WinInfoRec* d) {
            if (d->plotSpecs.plotType > 0)
                TogglePlotGraphOrFilm(d);
        }), true);
    add("*Mix", "Plot", "Show &Mixture", {}, OnDoc([](WinInfoRec* d) {
            if (!d->plotSpecs.plotMixture)
                TogglePlotMixture(d);
        }), true);
    add("!Mix", "Plot", "Show &Phases", {}, OnDoc([](WinInfoRec* d) {
            if (d->plotSpecs.plotMixture)
                TogglePlotMixture(d);
        }), true);
    add("*Grd", "Plot", "Grid Lines", QKeySequence(Qt::CTRL | Qt::Key_G), OnDoc(ToggleShowGridlines));
    add("*Leg", "Plot", "Legend", {}, OnDoc(ToggleShowLegend));
    add("*Res", "Plot", "Residual", {}, OnDoc(ToggleShowResidual));
    add("OPkN", "Plot/Peak Overlay", "&None", {}, OnDoc([](WinInfoRec* d) { DoOverlayPeaks(d, 0); }), true);
    add("OPkM", "Plot/Peak Overlay", "&Markers", {}, OnDoc([](WinInfoRec* d) { DoOverlayPeaks(d, 1); }), true);
    add("OPkD", "Plot/Peak Overlay", "&Dashed Profiles", {}, OnDoc([](WinInfoRec* d) { DoOverlayPeaks(d, 2); }), true);
    add("OPkS", "Plot/Peak Overlay", "&Solid Profiles", {}, OnDoc([](WinInfoRec* d) { DoOverlayPeaks(d, 3); }), true);
    add("OPkF", "Plot/Peak Overlay", "&Filled Profiles", {}, OnDoc([](WinInfoRec* d) { DoOverlayPeaks(d, 4); }), true);
    add("^Rng", "Plot", "Plot &Limits…", {}, OnWindow(RequestPlotLimits));
    add("^FrC", "Plot", "Frame &Colour…", {}, OnWindow([](MainWindow* w) {
            RGBColor c = w->Doc()->plotSpecs.windowColor;
            if (PickColour(w, QObject::tr("Window colour:"), c))
                DoFrameColour(w->Doc(), c);
        }));
    add("ttlW", "Plot", "Window &Title…", {}, OnWindow(InitWindowTitle));
    add("Ghkl", "Plot", "&Find Peak…", QKeySequence(Qt::CTRL | Qt::Key_F), OnWindow(DoShowFindPeakSheet));
    add("Stck", "Plot", "&Stack Patterns", {}, OnDoc(DoStackProfiles));
    add("Clps", "Plot", "C&ollapse Patterns", {}, OnDoc(DoCollapseProfiles));
    add("B2Fr", "Plot", "&Bring to Front", {}, OnDoc(BringSelectedStructuresToFront));
    add("S2Bk", "Plot", "Send to Bac&k", {}, OnDoc(SendSelectedStructuresToBack));

    // Patterns (style of the selected patterns)
    add("*Lbl", "Patterns", "Labels", {}, OnDoc(ToggleShowLabels));
    add("LHKL", "Patterns/Label Contents", "&Indices", {}, OnDoc([](WinInfoRec* d) { ToggleLabelStyle(d, "LHKL"); }), true);
    add("LDsp", "Patterns/Label Contents", "&d-Spacing", {}, OnDoc([](WinInfoRec* d) { ToggleLabelStyle(d, "LDsp"); }), true);
    add("LXva", "Patterns/Label Contents", "&Position", {}, OnDoc([](WinInfoRec* d) { ToggleLabelStyle(d, "LXva"); }), true);
    add("LNam", "Patterns/Label Contents", "Phase &Name", {}, OnDoc([](WinInfoRec* d) { ToggleLabelStyle(d, "LNam"); }), true);
    add("LBln", "Patterns/Label Contents", "&Blank", {}, OnDoc([](WinInfoRec* d) { ToggleLabelStyle(d, "LBln"); }), true);
    for (const char* n : {"50 %", "25 %", "10 %", "5 %", "2 %", "1 %", "0 %"})
        add("LTFx", "Patterns/Label Threshold", n, {}, [](Application&, MainWindow* w, QAction* a) {
            float v;
            if (w && ItemNumber(a, v))
                DoLabelThreshold(w->Doc(), static_cast<UInt16>(v));
        }, true);
    const char* styles[9][2] = {{"PSXr", "Crosses"},         {"PSDo", "Dots"},           {"PSSq", "Squares"},
                                {"PSLi", "Line"},            {"PSLX", "Line and Crosses"}, {"PSLD", "Line and Dots"},
                                {"PSLS", "Line and Squares"}, {"PSFi", "Filled"},          {"PSTr", "Translucent"}};
    for (int i = 0; i < 9; ++i)
        add(styles[i][0], "Patterns/Plot Style", styles[i][1], {},
            OnDoc([i](WinInfoRec* d) { DoPlotStyle(d, static_cast<UInt16>(i + 1)); }), true);
    add("LSDO", "Patterns/Line Style", "&Dashed", {}, OnDoc([](WinInfoRec* d) { DoLineStyle(d, kLineStyleDashed); }), true);
    add("LSSO", "Patterns/Line Style", "&Solid", {}, OnDoc([](WinInfoRec* d) { DoLineStyle(d, kLineStyleSolid); }), true);
    for (const char* wdt : {"0.5 pt", "1 pt", "1.5 pt", "2 pt", "3 pt", "4 pt"})
        add("LWFx", "Patterns/Line Width", wdt, {}, [](Application&, MainWindow* w, QAction* a) {
            float v;
            if (w && ItemNumber(a, v))
                DoLineWidth(w->Doc(), v);
        }, true);
    add("MSAu", "Patterns/Marker Size", "Automatic", {}, OnDoc([](WinInfoRec* d) { DoMarkerSize(d, 0); }), true);
    for (const char* m : {"2 pt", "3 pt", "4 pt", "6 pt", "8 pt"})
        add("MSFx", "Patterns/Marker Size", m, {}, [](Application&, MainWindow* w, QAction* a) {
            float v;
            if (w)
                DoMarkerSize(w->Doc(), ItemNumber(a, v) ? v : 0.0f);
        }, true);
    add("^PlC", "Patterns", "Plot &Colour…", {}, OnWindow([](MainWindow* w) {
            RGBColor c;
            if (PlotColourStart(w->Doc(), &c) && PickColour(w, QObject::tr("Plot Colour:"), c))
                DoPlotColour(w->Doc(), c);
        }));
    add("aClz", "Patterns", "Colour &Automatically", {}, OnDoc(DoAutoColorizeFiles));
    add("SFCl", "Patterns", "Colour All &Alike…", {}, OnWindow([](MainWindow* w) {
            RGBColor c = kRGBBlack;
            if (PickColour(w, QString(), c))
                DoResetFileColors(w->Doc(), c);
        }));
    add("=PPr", "Patterns", "&Equal Proportions", {}, OnDoc(DoEqualizePhaseProportions));

    // Window
    add("tgPL", "Window", "Parameters", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P),
        OnWindow([](MainWindow* w) { w->ShowParametersList(!w->ParameterListShown()); }));
    add("tgSL", "Window", "Structures", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S),
        OnWindow([](MainWindow* w) { w->ToggleFilesDrawer(); }));
    add("clnW", "Window", "&Clone Window", {}, [](Application& a, MainWindow* w, QAction*) { MyCloneWindow(a, w); });
    add("stkW", "Window", "&Stack Windows", {}, [](Application& a, MainWindow*, QAction*) { DoStackWindows(a); });
    add("tilW", "Window", "&Tile Windows", {}, [](Application& a, MainWindow*, QAction*) { DoTileWindows(a); });
    add("synW", "Window", "S&ynchronise Windows", {}, [](Application& a, MainWindow*, QAction*) { DoSynchronizeWindows(a); });

    // Help
    add("HMug", "Help", "Velmora &Help", QKeySequence::HelpContents,
        [](Application& a, MainWindow*, QAction*) { a.ShowHelp(); });
#if VELMORA_UPDATE_CHECK
    add("HMau", "Help", "Check for Updates Automatically", {},
        [](Application&, MainWindow*, QAction*) { gPrefs.updateCheckAuto = !gPrefs.updateCheckAuto; }, true);
    add("HMcu", "Help", "Check for Updates Now", {},
        [](Application& a, MainWindow*, QAction*) { a.Updates().CheckForUpdate(false); });
#endif
    add("abou", "Help", "&About Velmora", {}, [](Application& a, MainWindow*, QAction*) { a.ShowAbout(); });
    return t;
}

const CommandEntry* EntryFor(const QAction* action)
{
    const QVariant v = action->property("commandIndex");
    if (!v.isValid())
        return nullptr;
    const int index = v.toInt();
    const auto& table = CommandTable();
    return index >= 0 && index < static_cast<int>(table.size()) ? &table[static_cast<std::size_t>(index)] : nullptr;
}

// The submenus whose enabling has a rule of its own, by their code.
const SubmenuRec kSubmenus[] = {
    {"Plot/Peak Overlay", "OPk "},         {"Patterns/Label Contents", "mLbS"}, {"Patterns/Label Threshold", "mLPT"},
    {"Patterns/Plot Style", "mPlS"},       {"Patterns/Line Width", "mLiW"},     {"Patterns/Marker Size", "mMkS"},
};

// Items that open a new group of their menu (a separator above them).
const char* const kGroupStarts[] = {"xLst", "page", "quit", "pref", "2Tht", "XRay", "Dlta", "^Wav", "^Xtl",
                                    "*Mix", "*Grd", "^Rng", "Stck", "LHKL", "^PlC", "=PPr", "clnW", "abou", "copy",
                                    "HMau"};

// Items of which exactly one is in force, shown with radio marks.
const std::vector<std::vector<std::string_view>> kChoiceGroups = {
    {"2Tht", "DSpa", "RcpD", "^TOF", "^Eng"},
    {"XRay", "Neut"},
    {"Dlta", "Lrnz", "Gaus", "PVgt"},
    {"Grph", "Film"},
    {"*Mix", "!Mix"},
    {"OPkN", "OPkM", "OPkD", "OPkS", "OPkF"},
    {"PSXr", "PSDo", "PSSq", "PSLi", "PSLX", "PSLD", "PSLS", "PSFi", "PSTr"},
    {"LSDO", "LSSO"},
    {"LTFx"},
    {"LWFx"},
    {"MSAu", "MSFx"},
};

int ChoiceGroupOf(std::string_view code)
{
    for (std::size_t g = 0; g < kChoiceGroups.size(); ++g)
        for (std::string_view c : kChoiceGroups[g])
            if (c == code)
                return static_cast<int>(g);
    return -1;
}

bool StartsGroup(const char* code)
{
    for (const char* c : kGroupStarts)
        if (std::strcmp(c, code) == 0)
            return true;
    return false;
}

// The title of a top-level menu, with the letter that opens it with Alt.
QString MenuTitle(const QString& name)
{
    static const std::pair<const char*, const char*> kTitles[] = {
        {"File", "&File"}, {"Edit", "&Edit"},         {"Diffraction", "&Diffraction"}, {"Plot", "&Plot"},
        {"Patterns", "P&atterns"}, {"Window", "&Window"}, {"Help", "&Help"}};
    for (const auto& [key, title] : kTitles)
        if (name == QLatin1String(key))
            return QObject::tr(title);
    return name;
}

CommandContext ContextOf(Application& app, MainWindow* window)
{
    CommandContext context;
    context.front = window ? window->Doc() : nullptr;
    context.documentWindows = static_cast<int>(app.DocumentWindows().size());
    context.parameterListShown = window && window->ParameterListShown();
    context.drawerOpen = window && window->DrawerOpen();
    return context;
}

// A disabled item says what it needs, as its status tip and as the tip its menu shows.
void ShowDisabledReason(QAction* action, const CommandStatus& st)
{
    const QString reason = st.known && !st.enabled && !st.reasonKey.empty() ? Localized(st.reasonKey.c_str()) : QString();
    action->setStatusTip(reason);
    action->setToolTip(reason);
}

}  // namespace

const std::vector<CommandEntry>& CommandTable()
{
    static const std::vector<CommandEntry> table = MakeTable();
    return table;
}

const std::vector<SubmenuRec>& SubmenuTable()
{
    static const std::vector<SubmenuRec> table(std::begin(kSubmenus), std::end(kSubmenus));
    return table;
}

QString CommandCode(const QAction* action)
{
    const CommandEntry* e = EntryFor(action);
    return e ? QString::fromLatin1(e->code) : action->property("submenuCode").toString();
}

void UpdateCommandAction(QAction* action, Application& app, MainWindow* window)
{
    const CommandEntry* e = EntryFor(action);
    if (!e) {
        // A submenu with a rule of its own.
        const QString code = action->property("submenuCode").toString();
        if (!code.isEmpty()) {
            const CommandStatus st = GetCommandStatus(code.toStdString(), ContextOf(app, window));
            action->setEnabled(!st.known || st.enabled);
            ShowDisabledReason(action, st);
        }
        return;
    }
    if (!e->handler) {
        action->setEnabled(false);
        return;
    }
    QString previous;
    if (QMenu* menu = qobject_cast<QMenu*>(action->parent())) {
        const QList<QAction*> items = menu->actions();
        const qsizetype i = items.indexOf(action);
        if (i > 0)
            previous = items[i - 1]->text().remove(QLatin1Char('&'));
    }
    const CommandStatus st = GetCommandStatus(e->code, ContextOf(app, window),
                                              action->text().remove(QLatin1Char('&')).toStdString(),
                                              previous.toStdString());
    action->setEnabled(st.known ? st.enabled : true);
    ShowDisabledReason(action, st);
    if (e->checkable)
        action->setChecked(st.checked);
    if (!st.titleKey.empty())
        action->setText(QString::fromStdString(LocalizedString(st.titleKey)));
}

void BuildMenus(QMenuBar* bar, Application& app, MainWindow* window)
{
    std::map<QString, QMenu*> menus;
    auto menuFor = [&](const QString& path) {
        if (auto it = menus.find(path); it != menus.end())
            return it->second;
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        QMenu* menu = slash < 0 ? bar->addMenu(MenuTitle(path))
                                : menus.at(path.left(slash))->addMenu(QObject::tr(path.mid(slash + 1).toUtf8().constData()));
        for (const SubmenuRec& sub : SubmenuTable())
            if (path == QLatin1String(sub.path))
                menu->menuAction()->setProperty("submenuCode", QString::fromLatin1(sub.code));
        menus[path] = menu;
        menu->setToolTipsVisible(true);  // the reasons of disabled items
        // The rules are asked each time a menu is about to show. Once it is closed its commands
        // are enabled again, so that their shortcuts reach them: a shortcut asks the rules itself.
        QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, &app, window] {
            for (QAction* a : menu->actions())
                UpdateCommandAction(a, app, window);
        });
        QObject::connect(menu, &QMenu::aboutToHide, menu, [menu] {
            for (QAction* a : menu->actions())
                if (const CommandEntry* e = EntryFor(a); e && e->handler)
                    a->setEnabled(true);
        });
        return menu;
    };
    std::map<int, QActionGroup*> choices;
    const auto& table = CommandTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const CommandEntry& e = table[i];
        const QString path = QString::fromLatin1(e.menu);
        if (const qsizetype slash = path.indexOf(QLatin1Char('/')); slash >= 0)
            menuFor(path.left(slash));
        QMenu* menu = menuFor(path);
        if (StartsGroup(e.code) && !menu->actions().isEmpty())
            menu->addSeparator();
        QAction* action = menu->addAction(QObject::tr(e.label));
        action->setProperty("commandIndex", static_cast<int>(i));
        action->setShortcut(e.shortcut);
        action->setCheckable(e.checkable);
        if (const int g = ChoiceGroupOf(e.code); g >= 0) {
            QActionGroup*& group = choices[g];
            if (!group) {
                group = new QActionGroup(bar);  // owned by the menu bar
                group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
            }
            group->addAction(action);
        }
        if (!e.handler) {
            action->setEnabled(false);
            action->setStatusTip(QObject::tr("Not available yet"));
        }
        QObject::connect(action, &QAction::triggered, action, [action, &app, window] {
            const CommandEntry* entry = EntryFor(action);
            if (!entry || !entry->handler)
                return;
            // Shortcuts fire without the menu opening: check the rules first.
            UpdateCommandAction(action, app, window);
            const bool enabled = action->isEnabled();
            action->setEnabled(true);
            if (enabled)
                entry->handler(app, window, action);
        });
    }
}

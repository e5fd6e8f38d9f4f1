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
#include <map>

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
    // How an item shows: a check mark, a separator above it, its radio group.
    struct Look {
        bool checkable = false;
        bool startsGroup = false;
        Choice choice = Choice::None;
    };
    auto add = [&t](const char* code, const char* menu, const char* labelKey, QKeySequence key, Handler h, Look look = {}) {
        t.push_back({code, menu, labelKey, key, std::move(h), look.checkable, look.startsGroup, look.choice});
    };

    // File
    add("open", "File", "Menu_Open", QKeySequence::Open, [](Application& a, MainWindow*, QAction*) { a.DoOpen(); });
    add("+Win", "File", "Menu_New_Window", QKeySequence::New, [](Application& a, MainWindow*, QAction*) { a.DoNewWindow(); });
    add("+Dat", "File", "Menu_Add_Files", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), OnWindow(DoOpenInSameWindow));
    add("clos", "File", "Menu_Close", QKeySequence::Close, OnWindow([](MainWindow* w) { w->close(); }));
    add("save", "File", "Menu_Save", QKeySequence::Save, OnWindow([](MainWindow* w) { DoSaveFile(w); }));
    add("svas", "File", "Menu_Save_As", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
        OnWindow([](MainWindow* w) { DoSaveFileAs(w, SaveKind::Session); }));
    add("xLst", "File", "Menu_Export_Listing", QKeySequence(Qt::CTRL | Qt::Key_E),
        OnWindow([](MainWindow* w) { DoSaveFileAs(w, SaveKind::Listing); }), {.startsGroup = true});
    add("xFac", "File", "Menu_Export_Structure_Factors", {},
        OnWindow([](MainWindow* w) { DoSaveFileAs(w, SaveKind::StructureFactors); }));
    add("xPro", "File", "Menu_Export_Profile", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), OnWindow(RequestExportProfile));
    add("xPlt", "File", "Menu_Export_Plot", {}, OnWindow([](MainWindow* w) { RequestExportPlot(w); }));
    add("page", "File", "Menu_Page_Setup", {}, [](Application& a, MainWindow* w, QAction*) {
            if (w)
                Dialogs().PageSetup(w, a.Printer());
        }, {.startsGroup = true});
    add("prnt", "File", "Menu_Print", QKeySequence::Print, [](Application& a, MainWindow* w, QAction*) {
            if (w && Dialogs().Print(w, a.Printer()))
                PrintWindow(w, a.Printer());
        });
    add("quit", "File", "Menu_Quit", QKeySequence::Quit, [](Application& a, MainWindow*, QAction*) { a.DoQuit(); },
        {.startsGroup = true});

    // Edit
    add("undo", "Edit", "Menu_Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), OnWindow([](MainWindow* w) { w->UndoParameterChange(); }));
    add("redo", "Edit", "Menu_Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
        OnWindow([](MainWindow* w) { w->RedoParameterChange(); }));
    add("copy", "Edit", "Menu_Copy", QKeySequence::Copy, OnWindow(CopyPlot), {.startsGroup = true});
    add("sall", "Edit", "Menu_Select_All", QKeySequence::SelectAll, OnDoc(SelectAllFiles));
    add("pref", "Edit", "Menu_Preferences", QKeySequence::Preferences,
        [](Application& a, MainWindow*, QAction*) { DoPreferences(a); }, {.startsGroup = true});

    // Diffraction
    add("RCal", "Diffraction", "Menu_Recalculate", QKeySequence(Qt::CTRL | Qt::Key_R), OnDoc(DoRecalculate));
    add("2Tht", "Diffraction", "Menu_Two_Theta", {}, OnDoc([](WinInfoRec* d) { DoAxisType(d, kAxisTwoTheta); }),
        {.checkable = true, .startsGroup = true, .choice = Choice::Axis});
    add("DSpa", "Diffraction", "Menu_D_Spacing", {}, OnDoc([](WinInfoRec* d) { DoAxisType(d, kAxisDSpacing); }),
        {.checkable = true, .choice = Choice::Axis});
    add("RcpD", "Diffraction", "Menu_Reciprocal_D", {}, OnDoc([](WinInfoRec* d) { DoAxisType(d, kAxisReciprocalD); }),
        {.checkable = true, .choice = Choice::Axis});
    add("^TOF", "Diffraction", "Menu_Time_Of_Flight", {}, OnWindow(RequestTOFOptions),
        {.checkable = true, .choice = Choice::Axis});
    add("^Eng", "Diffraction", "Menu_Energy_Dispersive", {}, OnWindow(RequestEnergyOptions),
        {.checkable = true, .choice = Choice::Axis});
    add("XRay", "Diffraction", "Menu_XRays", {}, OnDoc([](WinInfoRec* d) {
            if (d->plotSpecs.radType != kRadiationXRays)
                ToggleRadiation(d);
        }), {.checkable = true, .startsGroup = true, .choice = Choice::Radiation});
    add("Neut", "Diffraction", "Menu_Neutrons", {}, OnDoc([](WinInfoRec* d) {
            if (d->plotSpecs.radType != kRadiationNeutrons)
                ToggleRadiation(d);
        }), {.checkable = true, .choice = Choice::Radiation});
    add("Anom", "Diffraction", "Menu_Anomalous", {}, OnDoc(ToggleAnomalous), {.checkable = true});
    add("Dlta", "Diffraction", "Menu_Sticks", QKeySequence(Qt::CTRL | Qt::Key_1), OnDoc([](WinInfoRec* d) { DoPeakFunction(d, 1); }),
        {.checkable = true, .startsGroup = true, .choice = Choice::PeakShape});
    add("Lrnz", "Diffraction", "Menu_Lorentzian", QKeySequence(Qt::CTRL | Qt::Key_2), OnDoc([](WinInfoRec* d) { DoPeakFunction(d, 2); }),
        {.checkable = true, .choice = Choice::PeakShape});
    add("Gaus", "Diffraction", "Menu_Gaussian", QKeySequence(Qt::CTRL | Qt::Key_3), OnDoc([](WinInfoRec* d) { DoPeakFunction(d, 3); }),
        {.checkable = true, .choice = Choice::PeakShape});
    add("PVgt", "Diffraction", "Menu_Pseudo_Voigt", QKeySequence(Qt::CTRL | Qt::Key_4), OnDoc([](WinInfoRec* d) { DoPeakFunction(d, 4); }),
        {.checkable = true, .choice = Choice::PeakShape});
    add("^Eta", "Diffraction", "Menu_Pseudo_Voigt_Mixing", {}, OnWindow(RequestPeakEta));
    add("^Wav", "Diffraction", "Menu_Wavelength", QKeySequence(Qt::CTRL | Qt::Key_L), OnWindow(RequestWavelength),
        {.startsGroup = true});
    add("^FWH", "Diffraction", "Menu_Peak_Width", {}, OnWindow(RequestPeakWidth));
    add("^PSz", "Diffraction", "Menu_Crystallite_Size", {}, OnWindow(RequestParticleSize));
    add("^Str", "Diffraction", "Menu_Strain", {}, OnWindow(RequestPercentStrain));
    add("^RLm", "Diffraction", "Menu_Reflexion_Limits", {}, OnWindow(RequestReflexionLimits));
    add("^SDs", "Diffraction", "Menu_Specimen_Displacement", {}, OnWindow(RequestSpecimenDisplacement));
    add("^Xtl", "Diffraction", "Menu_Edit_Crystal", {}, OnWindow([](MainWindow* w) { RequestEditCrystal(w); }),
        {.startsGroup = true});
    add("*Lst", "Diffraction", "Menu_List_Reflexions", {}, OnWindow(ShowListingWindow));

    // Plot
    add("Grph", "Plot", "Menu_Graphs", {}, OnDoc([](WinInfoRec* d) {
            if (d->plotSpecs.plotType < 0)
                TogglePlotGraphOrFilm(d);
        }), {.checkable = true, .choice = Choice::PlotMode});
    add("Film", "Plot", "Menu_Films", {}, OnDoc([](WinInfoRec* d) {
            if (d->plotSpecs.plotType > 0)
                TogglePlotGraphOrFilm(d);
        }), {.checkable = true, .choice = Choice::PlotMode});
    add("*Mix", "Plot", "Menu_Show_Mixture", {}, OnDoc([](WinInfoRec* d) {
            if (!d->plotSpecs.plotMixture)
                TogglePlotMixture(d);
        }), {.checkable = true, .startsGroup = true, .choice = Choice::Mixture});
    add("!Mix", "Plot", "Menu_Show_Phases", {}, OnDoc([](WinInfoRec* d) {
            if (d->plotSpecs.plotMixture)
                TogglePlotMixture(d);
        }), {.checkable = true, .choice = Choice::Mixture});
    add("*Grd", "Plot", "Menu_Grid_Lines", QKeySequence(Qt::CTRL | Qt::Key_G), OnDoc(ToggleShowGridlines),
        {.startsGroup = true});
    add("*Leg", "Plot", "Menu_Legend", {}, OnDoc(ToggleShowLegend));
    add("*Res", "Plot", "Menu_Residual", {}, OnDoc(ToggleShowResidual));
    add("OPkN", "Plot/Peak Overlay", "Menu_Overlay_None", {}, OnDoc([](WinInfoRec* d) { DoOverlayPeaks(d, 0); }),
        {.checkable = true, .choice = Choice::Overlay});
    add("OPkM", "Plot/Peak Overlay", "Menu_Overlay_Markers", {}, OnDoc([](WinInfoRec* d) { DoOverlayPeaks(d, 1); }),
        {.checkable = true, .choice = Choice::Overlay});
    add("OPkD", "Plot/Peak Overlay", "Menu_Overlay_Dashed", {}, OnDoc([](WinInfoRec* d) { DoOverlayPeaks(d, 2); }),
        {.checkable = true, .choice = Choice::Overlay});
    add("OPkS", "Plot/Peak Overlay", "Menu_Overlay_Solid", {}, OnDoc([](WinInfoRec* d) { DoOverlayPeaks(d, 3); }),
        {.checkable = true, .choice = Choice::Overlay});
    add("OPkF", "Plot/Peak Overlay", "Menu_Overlay_Filled", {}, OnDoc([](WinInfoRec* d) { DoOverlayPeaks(d, 4); }),
        {.checkable = true, .choice = Choice::Overlay});
    add("^Rng", "Plot", "Menu_Plot_Limits", {}, OnWindow(RequestPlotLimits), {.startsGroup = true});
    add("^FrC", "Plot", "Menu_Frame_Colour", {}, OnWindow([](MainWindow* w) {
            RGBColor c = w->Doc()->plotSpecs.windowColor;
            if (PickColour(w, QObject::tr("Window colour:"), c))
                DoFrameColour(w->Doc(), c);
        }));
    add("ttlW", "Plot", "Menu_Window_Title", {}, OnWindow(InitWindowTitle));
    add("Ghkl", "Plot", "Menu_Find_Peak", QKeySequence(Qt::CTRL | Qt::Key_F), OnWindow(DoShowFindPeakSheet));
    add("Stck", "Plot", "Menu_Stack_Patterns", {}, OnDoc(DoStackProfiles), {.startsGroup = true});
    add("Clps", "Plot", "Menu_Collapse_Patterns", {}, OnDoc(DoCollapseProfiles));
    add("B2Fr", "Plot", "Menu_Bring_To_Front", {}, OnDoc(BringSelectedStructuresToFront));
    add("S2Bk", "Plot", "Menu_Send_To_Back", {}, OnDoc(SendSelectedStructuresToBack));

    // Patterns (style of the selected patterns)
    add("*Lbl", "Patterns", "Menu_Labels", {}, OnDoc(ToggleShowLabels));
    add("LHKL", "Patterns/Label Contents", "Menu_Label_Indices", {}, OnDoc([](WinInfoRec* d) { ToggleLabelStyle(d, "LHKL"); }),
        {.checkable = true, .startsGroup = true});
    add("LDsp", "Patterns/Label Contents", "Menu_Label_D_Spacing", {}, OnDoc([](WinInfoRec* d) { ToggleLabelStyle(d, "LDsp"); }),
        {.checkable = true});
    add("LXva", "Patterns/Label Contents", "Menu_Label_Position", {}, OnDoc([](WinInfoRec* d) { ToggleLabelStyle(d, "LXva"); }),
        {.checkable = true});
    add("LNam", "Patterns/Label Contents", "Menu_Label_Phase_Name", {}, OnDoc([](WinInfoRec* d) { ToggleLabelStyle(d, "LNam"); }),
        {.checkable = true});
    add("LBln", "Patterns/Label Contents", "Menu_Label_Blank", {}, OnDoc([](WinInfoRec* d) { ToggleLabelStyle(d, "LBln"); }),
        {.checkable = true});
    // The value of the repeated items is the number their title starts with.
    for (const char* key : {"Menu_Threshold_50", "Menu_Threshold_25", "Menu_Threshold_10", "Menu_Threshold_5",
                            "Menu_Threshold_2", "Menu_Threshold_1", "Menu_Threshold_0"})
        add("LTFx", "Patterns/Label Threshold", key, {}, [](Application&, MainWindow* w, QAction* a) {
            float v;
            if (w && ItemNumber(a, v))
                DoLabelThreshold(w->Doc(), static_cast<UInt16>(v));
        }, {.checkable = true, .choice = Choice::Threshold});
    const char* const styles[9][2] = {
        {"PSXr", "Menu_Style_Crosses"},          {"PSDo", "Menu_Style_Dots"},
        {"PSSq", "Menu_Style_Squares"},          {"PSLi", "Menu_Style_Line"},
        {"PSLX", "Menu_Style_Line_Crosses"},     {"PSLD", "Menu_Style_Line_Dots"},
        {"PSLS", "Menu_Style_Line_Squares"},     {"PSFi", "Menu_Style_Filled"},
        {"PSTr", "Menu_Style_Translucent"}};
    for (int i = 0; i < 9; ++i)
        add(styles[i][0], "Patterns/Plot Style", styles[i][1], {},
            OnDoc([i](WinInfoRec* d) { DoPlotStyle(d, static_cast<UInt16>(i + 1)); }),
            {.checkable = true, .choice = Choice::PlotStyle});
    add("LSDO", "Patterns/Line Style", "Menu_Line_Dashed", {}, OnDoc([](WinInfoRec* d) { DoLineStyle(d, kLineStyleDashed); }),
        {.checkable = true, .choice = Choice::LineStyle});
    add("LSSO", "Patterns/Line Style", "Menu_Line_Solid", {}, OnDoc([](WinInfoRec* d) { DoLineStyle(d, kLineStyleSolid); }),
        {.checkable = true, .choice = Choice::LineStyle});
    for (const char* key : {"Menu_Width_0_5", "Menu_Width_1", "Menu_Width_1_5", "Menu_Width_2", "Menu_Width_3",
                            "Menu_Width_4"})
        add("LWFx", "Patterns/Line Width", key, {}, [](Application&, MainWindow* w, QAction* a) {
            float v;
            if (w && ItemNumber(a, v))
                DoLineWidth(w->Doc(), v);
        }, {.checkable = true, .choice = Choice::LineWidth});
    add("MSAu", "Patterns/Marker Size", "Menu_Marker_Automatic", {}, OnDoc([](WinInfoRec* d) { DoMarkerSize(d, 0); }),
        {.checkable = true, .choice = Choice::MarkerSize});
    for (const char* key : {"Menu_Marker_2", "Menu_Marker_3", "Menu_Marker_4", "Menu_Marker_6", "Menu_Marker_8"})
        add("MSFx", "Patterns/Marker Size", key, {}, [](Application&, MainWindow* w, QAction* a) {
            float v;
            if (w)
                DoMarkerSize(w->Doc(), ItemNumber(a, v) ? v : 0.0f);
        }, {.checkable = true, .choice = Choice::MarkerSize});
    add("^PlC", "Patterns", "Menu_Plot_Colour", {}, OnWindow([](MainWindow* w) {
            RGBColor c;
            if (PlotColourStart(w->Doc(), &c) && PickColour(w, QObject::tr("Plot Colour:"), c))
                DoPlotColour(w->Doc(), c);
        }), {.startsGroup = true});
    add("aClz", "Patterns", "Menu_Colour_Automatically", {}, OnDoc(DoAutoColorizeFiles));
    add("SFCl", "Patterns", "Menu_Colour_All_Alike", {}, OnWindow([](MainWindow* w) {
            RGBColor c = kRGBBlack;
            if (PickColour(w, QString(), c))
                DoResetFileColors(w->Doc(), c);
        }));
    add("=PPr", "Patterns", "Menu_Equal_Proportions", {}, OnDoc(DoEqualizePhaseProportions), {.startsGroup = true});

    // Window
    add("tgPL", "Window", "Menu_Parameters", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P),
        OnWindow([](MainWindow* w) { w->ShowParametersList(!w->ParameterListShown()); }));
    add("tgSL", "Window", "Menu_Structures", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S),
        OnWindow([](MainWindow* w) { w->ToggleFilesDrawer(); }));
    add("clnW", "Window", "Menu_Clone_Window", {}, [](Application& a, MainWindow* w, QAction*) { MyCloneWindow(a, w); },
        {.startsGroup = true});
    add("stkW", "Window", "Menu_Stack_Windows", {}, [](Application& a, MainWindow*, QAction*) { DoStackWindows(a); });
    add("tilW", "Window", "Menu_Tile_Windows", {}, [](Application& a, MainWindow*, QAction*) { DoTileWindows(a); });
    add("synW", "Window", "Menu_Synchronise_Windows", {}, [](Application& a, MainWindow*, QAction*) { DoSynchronizeWindows(a); });

    // Help
    add("HMug", "Help", "Menu_Help_Guide", QKeySequence::HelpContents,
        [](Application& a, MainWindow*, QAction*) { a.ShowHelp(); });
#if VELMORA_UPDATE_CHECK
    add("HMau", "Help", "Menu_Check_Updates_Automatically", {},
        [](Application&, MainWindow*, QAction*) { gPrefs.updateCheckAuto = !gPrefs.updateCheckAuto; }, {.checkable = true, .startsGroup = true});
    add("HMcu", "Help", "Menu_Check_Updates_Now", {},
        [](Application& a, MainWindow*, QAction*) { a.Updates().CheckForUpdate(false); });
#endif
    add("abou", "Help", "Menu_About", {}, [](Application& a, MainWindow*, QAction*) { a.ShowAbout(); },
        {.startsGroup = true});
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

std::vector<MenuEntry> MakeMenuTable()
{
    return {
        {"File", nullptr, "Menu_File"},
        {"Edit", nullptr, "Menu_Edit"},
        {"Diffraction", nullptr, "Menu_Diffraction"},
        {"Plot", nullptr, "Menu_Plot"},
        {"Plot/Peak Overlay", "OPk ", "Menu_Peak_Overlay"},
        {"Patterns", nullptr, "Menu_Patterns"},
        {"Patterns/Label Contents", "mLbS", "Menu_Label_Contents"},
        {"Patterns/Label Threshold", "mLPT", "Menu_Label_Threshold"},
        {"Patterns/Plot Style", "mPlS", "Menu_Plot_Style"},
        {"Patterns/Line Style", nullptr, "Menu_Line_Style"},
        {"Patterns/Line Width", "mLiW", "Menu_Line_Width"},
        {"Patterns/Marker Size", "mMkS", "Menu_Marker_Size"},
        {"Window", nullptr, "Menu_Window"},
        {"Help", nullptr, "Menu_Help"},
    };
}

const MenuEntry* MenuFor(const QString& path)
{
    for (const MenuEntry& m : MenuTable())
        if (path == QLatin1String(m.path))
            return &m;
    return nullptr;
}

CommandContext ContextOf(Application& app, MainWindow* window)
{
    CommandContext context;
    context.front = window ? window->Doc() : nullptr;
    context.documentWindows = static_cast<int>(app.DocumentWindows().size());
    context.parameterListShown = window && window->ParameterListShown();
    context.drawerOpen = window && window->DrawerOpen();
    context.prefs = &gPrefs;
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

const std::vector<MenuEntry>& MenuTable()
{
    static const std::vector<MenuEntry> table = MakeMenuTable();
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
        const MenuEntry* entry = MenuFor(path);
        const QString title = entry ? Localized(entry->titleKey) : path;
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        QMenu* menu = slash < 0 ? bar->addMenu(title) : menus.at(path.left(slash))->addMenu(title);
        if (entry && entry->code)
            menu->menuAction()->setProperty("submenuCode", QString::fromLatin1(entry->code));
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
    // The top-level menus in their order, whether or not a command comes first.
    for (const MenuEntry& m : MenuTable())
        if (!std::strchr(m.path, '/'))
            menuFor(QString::fromLatin1(m.path));
    std::map<Choice, QActionGroup*> choices;
    const auto& table = CommandTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const CommandEntry& e = table[i];
        const QString path = QString::fromLatin1(e.menu);
        if (const qsizetype slash = path.indexOf(QLatin1Char('/')); slash >= 0)
            menuFor(path.left(slash));
        QMenu* menu = menuFor(path);
        if (e.startsGroup && !menu->actions().isEmpty())
            menu->addSeparator();
        QAction* action = menu->addAction(Localized(e.labelKey));
        action->setProperty("commandIndex", static_cast<int>(i));
        action->setShortcut(e.shortcut);
        action->setCheckable(e.checkable);
        if (e.choice != Choice::None) {
            QActionGroup*& group = choices[e.choice];
            if (!group) {
                group = new QActionGroup(bar);  // owned by the menu bar
                group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
            }
            group->addAction(action);
        }
        if (!e.handler) {
            action->setEnabled(false);
            action->setStatusTip(Localized("Not_Available_Yet"));
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

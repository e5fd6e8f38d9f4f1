// Window arrangement on the desktop.
#include "WindowArrangement.h"

#include "Application.h"
#include "ArrangementGeometry.h"
#include "Document.h"
#include "GraphicsPane.h"
#include "MainWindow.h"
#include "Settings.h"
#include "Status.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace {

Rect ToRect(const QRect& r)
{
    return Rect{static_cast<SInt16>(r.top()), static_cast<SInt16>(r.left()), static_cast<SInt16>(r.top() + r.height()),
                static_cast<SInt16>(r.left() + r.width())};
}

// Gives a window outer bounds r: the frame's margins (none without a window manager) come off
// the content, and a window below its smallest size is kept inside the area.
void PlaceWindow(MainWindow* w, const Rect& r, const QRect& area)
{
    const QRect frame = w->frameGeometry(), content = w->geometry();
    const int left = content.left() - frame.left(), top = content.top() - frame.top();
    const int right = frame.right() - content.right(), bottom = frame.bottom() - content.bottom();
    const QSize least = w->minimumSize();
    const Rect fit = FitWindowRect(r, ToRect(area), least.width() + left + right, least.height() + top + bottom);
    w->setGeometry(fit.left + left, fit.top + top, fit.Width() - left - right, fit.Height() - top - bottom);
}

void Arrange(Application& app, const std::vector<Rect>& rects)
{
    const QRect area = ArrangementArea(app);
    const std::vector<MainWindow*> windows = WindowsFromTheFront(app);
    for (std::size_t i = 0; i < windows.size() && i < rects.size(); ++i)
        PlaceWindow(windows[i], rects[i], area);
    // The front window stays in front: the others are raised behind it, back to front.
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        (*it)->raise();
    windows.front()->activateWindow();
}

}  // namespace

std::vector<MainWindow*> WindowsFromTheFront(const Application& app)
{
    std::vector<MainWindow*> windows = app.DocumentWindows();
    std::reverse(windows.begin(), windows.end());
    return windows;
}

QRect ArrangementArea(const Application& app)
{
    const MainWindow* front = app.FrontWindow();
    const QScreen* screen = front && front->screen() ? front->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
}

void DoStackWindows(Application& app)
{
    const int n = static_cast<int>(app.DocumentWindows().size());
    if (n < 2)
        return;
    Arrange(app, StackWindowRects(n, ToRect(ArrangementArea(app))));
}

void DoTileWindows(Application& app)
{
    const int n = static_cast<int>(app.DocumentWindows().size());
    if (n < 2)
        return;
    Arrange(app, TileWindowRects(n, ToRect(ArrangementArea(app))));
}

void DoSynchronizeWindows(Application& app)
{
    const std::vector<MainWindow*> windows = WindowsFromTheFront(app);
    if (windows.size() < 2)
        return;
    MainWindow* front = windows.front();
    for (std::size_t i = 1; i < windows.size(); ++i) {
        MainWindow* w = windows[i];
        WinInfoRec* doc = w->Doc();
        doc->plotSpecs = front->Doc()->plotSpecs;
        if (w->size() != front->size())
            w->resize(front->size());
        // Wavelength, axis or limits may differ: the reflexions are worked out again.
        DoRecalculate(doc);
        w->UpdateWindowTitle(doc);
        w->RebuildParameterList(doc);
        w->UpdateToolbar(doc);
    }
    front->raise();
    front->activateWindow();
}

MainWindow* MyCloneWindow(Application& app, MainWindow* window)
{
    if (!window)
        return nullptr;
    const WinInfoRec* source = window->Doc();
    if (source->plotList.empty()) {
        QApplication::beep();
        return nullptr;
    }
    MainWindow* clone = app.OpenMainWindow(QString::fromStdString(source->filename) + QStringLiteral(" copy"));
    if (!clone || clone == window) {
        MyCFStopAlert("No_Memory_Clone");
        return nullptr;
    }
    WinInfoRec* doc = clone->Doc();
    doc->plotSpecs = source->plotSpecs;
    for (const std::unique_ptr<VLPatternRec>& pp : source->fileList) {
        auto copy = CreatePattern();
        bool ok = copy != nullptr;
        if (ok) {
            copy->type = pp->type;
            copy->filePtr = pp->filePtr;
            copy->name = pp->name;
            copy->selected = pp->selected;
            copy->plotted = pp->plotted;
            if (pp->crystal)
                ok = (copy->crystal = DuplicateCrystal(pp->crystal.get())) != nullptr;
            if (ok && pp->dataset)
                ok = (copy->dataset = DuplicateDataset(pp->dataset.get())) != nullptr;
        }
        if (!ok) {
            // Nothing half made stays behind.
            clone->MarkSaved();
            clone->close();
            MyCFStopAlert("No_Memory_Clone");
            return nullptr;
        }
        const bool plotted = copy->plotted;
        VLPatternPtr added = InsertPatternIntoFileList(doc, std::move(copy), nullptr);
        if (plotted)
            InsertPatternIntoPlotList(doc, added, nullptr);
    }
    clone->UpdateWindowTitle(doc);
    clone->RebuildParameterList(doc);
    clone->UpdateStructuresList(doc);
    clone->UpdateToolbar(doc);
    clone->RedrawWindow(doc, true, false);
    clone->Pane()->RenderPending();
    clone->MarkSaved();
    return clone;
}

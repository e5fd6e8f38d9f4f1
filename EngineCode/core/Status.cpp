// Status texts, progress bar, message window and alerts, routed to the current StatusSink.
#include "Status.h"

#include "StringTable.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

NullStatusSink gNullSink;
std::atomic<StatusSink*> gProgramSink{&gNullSink};
thread_local StatusSink* tThreadSink = nullptr;

// Progress state: one bar at a time (per thread, so batch workers do not disturb each other).
thread_local WinInfoRec* gProgressWindow = nullptr;
thread_local short gProgressAmount = 0;

void ShowAlert(AlertKind kind, const std::string& key)
{
    const std::string explanationKey = key + "_2";
    std::string explanation;
    if (HasLocalizedString(explanationKey))
        explanation = LocalizedString(explanationKey);
    CurrentStatusSink().Alert(kind, LocalizedString(key), explanation);
}

}  // namespace

std::string InfoBarReadoutRec::PlainText() const
{
    std::string text;
    for (const InfoBarFieldRec& f : fields) {
        if (f.caption.empty() && f.value.empty())
            continue;
        if (!text.empty())
            text += "   ";
        text += f.caption;
        for (char c : f.value)
            text += c == '\xF8' ? '-' : c;  // the overbar marker before a negative index's digits
    }
    if (!comment.empty())
        text += (text.empty() ? "" : "   ") + comment;
    return text;
}

// ---- RecordingStatusSink ----

void RecordingStatusSink::InfoBarText(const std::string& text)
{
    events.push_back({Kind::InfoBar, text, {}, 0});
}

void RecordingStatusSink::ProgressStart(const std::string& text)
{
    events.push_back({Kind::ProgressStart, text, {}, 0});
}

void RecordingStatusSink::ProgressValue(int percent)
{
    events.push_back({Kind::ProgressValue, {}, {}, percent});
}

void RecordingStatusSink::ProgressStop()
{
    events.push_back({Kind::ProgressStop, {}, {}, 0});
}

void RecordingStatusSink::MessageWindow(const std::string& title, const std::string& text)
{
    events.push_back({Kind::Message, title, text, 0});
}

void RecordingStatusSink::HideMessageWindow()
{
    events.push_back({Kind::HideMessage, {}, {}, 0});
}

void RecordingStatusSink::Alert(AlertKind kind, const std::string& text, const std::string& explanation)
{
    events.push_back({Kind::Alert, text, explanation, static_cast<int>(kind)});
}

int RecordingStatusSink::Count(Kind kind) const
{
    int n = 0;
    for (const Event& e : events)
        n += e.kind == kind;
    return n;
}

const RecordingStatusSink::Event* RecordingStatusSink::Last(Kind kind) const
{
    for (auto it = events.rbegin(); it != events.rend(); ++it)
        if (it->kind == kind)
            return &*it;
    return nullptr;
}

// ---- sink selection ----

void SetStatusSink(StatusSink* sink)
{
    gProgramSink.store(sink ? sink : &gNullSink);
}

StatusSink& CurrentStatusSink()
{
    return tThreadSink ? *tThreadSink : *gProgramSink.load();
}

ScopedThreadStatusSink::ScopedThreadStatusSink(StatusSink* sink) : previous_(tThreadSink)
{
    tThreadSink = sink;
}

ScopedThreadStatusSink::~ScopedThreadStatusSink()
{
    tThreadSink = previous_;
}

// ---- information bar and progress ----

void ClearStatusBar(WinInfoRec* theWindow)
{
    if (theWindow)
        GetWindowStatusSink(theWindow).InfoBarText({});
}

void DrawInfoBarText(WinInfoRec* theWindow, const std::string* text)
{
    if (!theWindow)
        return;
    GetWindowStatusSink(theWindow).InfoBarText(text ? *text : std::string());
}

void DrawInfoBarReadout(WinInfoRec* theWindow, const InfoBarReadoutRec& readout)
{
    if (theWindow)
        GetWindowStatusSink(theWindow).InfoBarReadout(readout);
}

void DrawInfoBarText(WinInfoRec* theWindow, const std::string& text)
{
    DrawInfoBarText(theWindow, &text);
}

void ShowLocalizedStatus(WinInfoRec* theWindow, const std::string& key)
{
    if (theWindow)
        DrawInfoBarText(theWindow, LocalizedString(key));
}

void StartProgressBar(WinInfoRec* theWindow, const std::string& text)
{
    if (!theWindow)
        return;
    gProgressWindow = theWindow;
    gProgressAmount = 0;
    GetWindowStatusSink(theWindow).ProgressStart(text);
}

void ProgressBar(WinInfoRec* theWindow, int curProgress)
{
    if (!theWindow || theWindow != gProgressWindow || curProgress <= gProgressAmount)
        return;
    gProgressAmount = static_cast<short>(curProgress > 100 ? 100 : curProgress);
    GetWindowStatusSink(theWindow).ProgressValue(gProgressAmount);
}

void StopProgressBar(WinInfoRec* theWindow)
{
    if (!theWindow)
        return;
    GetWindowStatusSink(theWindow).ProgressStop();
    if (theWindow == gProgressWindow) {
        gProgressWindow = nullptr;
        gProgressAmount = 0;
    }
}

// ---- message window ----

void ShowMessageWindow(const std::string* title, const std::string* text)
{
    CurrentStatusSink().MessageWindow(title ? *title : std::string(), text ? *text : std::string());
}

void ShowMessageWindow(const std::string& title, const std::string& text)
{
    ShowMessageWindow(&title, &text);
}

void HideMessageWindow()
{
    CurrentStatusSink().HideMessageWindow();
}

// ---- alerts ----

void MyCFStopAlert(const std::string& key)
{
    ShowAlert(AlertKind::Stop, key);
}

void MyCFCautionAlert(const std::string& key)
{
    ShowAlert(AlertKind::Caution, key);
}

void MyCFNoteAlert(const std::string& key)
{
    ShowAlert(AlertKind::Note, key);
}

void MyCFStopAlertText(const std::string& text, const std::string& explanation)
{
    CurrentStatusSink().Alert(AlertKind::Stop, text, explanation);
}

void MyCFCautionAlertText(const std::string& text, const std::string& explanation)
{
    CurrentStatusSink().Alert(AlertKind::Caution, text, explanation);
}

void MyCFNoteAlertText(const std::string& text, const std::string& explanation)
{
    CurrentStatusSink().Alert(AlertKind::Note, text, explanation);
}

void ShowProblem(const FileProblem& problem)
{
    if (!problem.key.empty())
        ShowAlert(problem.kind, problem.key);
    else
        CurrentStatusSink().Alert(problem.kind, problem.text, problem.explanation);
}

void ShowProblems(const FileProblems& problems)
{
    for (const FileProblem& p : problems)
        ShowProblem(p);
}

std::string FormatCount(const std::string& format, long long n)
{
    static const char* const kPlaceholders[] = {"%ld", "%lu", "%d", "%u", "%i"};
    std::size_t best = std::string::npos, bestLen = 0;
    for (const char* p : kPlaceholders) {
        const std::size_t at = format.find(p);
        if (at != std::string::npos && (at < best || (at == best && std::strlen(p) > bestLen))) {
            best = at;
            bestLen = std::strlen(p);
        }
    }
    const std::string number = std::to_string(n);
    if (best == std::string::npos)
        return format + " " + number;
    return format.substr(0, best) + number + format.substr(best + bestLen);
}

std::string FormatTexts(const std::string& format, const std::vector<std::string>& texts)
{
    std::string out;
    std::size_t from = 0, next = 0;
    for (;;) {
        const std::size_t at = format.find("%s", from);
        if (at == std::string::npos)
            break;
        out += format.substr(from, at - from);
        if (next < texts.size())
            out += texts[next];
        ++next;
        from = at + 2;
    }
    return out + format.substr(from);
}

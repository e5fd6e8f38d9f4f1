// Status texts, the progress bar, the message window and alerts, as the engine reports them.
// The engine talks to an abstract StatusSink; the desktop window, the command-line tool and the
// tests each supply their own. Message keys are resolved through StringTable.h.
#pragma once

#include "FileProblem.h"

#include <string>
#include <vector>

struct WinInfoRec;

// One field of the information bar's read-out: the caption flush right in a box captionWidth
// pixels wide, then the value centred in a box fieldWidth wide (pixels at the bar's 10-pixel
// text). A rich value carries the overbar markers of RichText.h (negative indices).
struct InfoBarFieldRec {
    std::string caption;
    int captionWidth = 0;
    int fieldWidth = 0;
    std::string value;
    bool richValue = false;
};
// A row of fields centred in the bar, and a comment flush left after the last field shown.
struct InfoBarReadoutRec {
    std::vector<InfoBarFieldRec> fields;
    std::string comment;
    // The fields in one line of plain text (overbars written as minus signs), for a bar that
    // shows text only.
    std::string PlainText() const;
};

// Where status reports end up. Every method has an empty default, so a sink overrides only what
// it shows. Texts arrive already localised.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    // Information-bar text of a window; an empty text clears the bar.
    virtual void InfoBarText(const std::string& text) { (void)text; }
    // The read-out of the cursor or the distance tool; a sink that shows text only shows it as
    // plain text.
    virtual void InfoBarReadout(const InfoBarReadoutRec& readout) { InfoBarText(readout.PlainText()); }
    // Progress bar of a window: shown with a status text, advanced 0..100, hidden.
    virtual void ProgressStart(const std::string& text) { (void)text; }
    virtual void ProgressValue(int percent) { (void)percent; }
    virtual void ProgressStop() {}
    // The floating message window.
    virtual void MessageWindow(const std::string& title, const std::string& text) { (void)title, (void)text; }
    virtual void HideMessageWindow() {}
    // An alert with a main text and an explanation (empty when there is none).
    virtual void Alert(AlertKind kind, const std::string& text, const std::string& explanation)
    {
        (void)kind, (void)text, (void)explanation;
    }
};

// Shows nothing.
class NullStatusSink final : public StatusSink {};

// Keeps every report, for tests.
class RecordingStatusSink final : public StatusSink {
public:
    enum class Kind { InfoBar, ProgressStart, ProgressValue, ProgressStop, Message, HideMessage, Alert };
    struct Event {
        Kind kind;
        std::string text;         // status, progress or message title or alert text
        std::string detail;       // message body or alert explanation
        int value = 0;            // progress value, or the AlertKind of an alert
    };
    std::vector<Event> events;

    void InfoBarText(const std::string& text) override;
    void ProgressStart(const std::string& text) override;
    void ProgressValue(int percent) override;
    void ProgressStop() override;
    void MessageWindow(const std::string& title, const std::string& text) override;
    void HideMessageWindow() override;
    void Alert(AlertKind kind, const std::string& text, const std::string& explanation) override;

    int Count(Kind kind) const;
    const Event* Last(Kind kind) const;
    void Clear() { events.clear(); }
};

// The sink used where no window is involved (alerts, the message window) and by windows without
// a sink of their own. SetStatusSink sets it for the whole program; ScopedThreadStatusSink
// redirects the calling thread only (a batch worker, a test).
void SetStatusSink(StatusSink* sink);
StatusSink& CurrentStatusSink();

class ScopedThreadStatusSink {
public:
    explicit ScopedThreadStatusSink(StatusSink* sink);
    ~ScopedThreadStatusSink();
    ScopedThreadStatusSink(const ScopedThreadStatusSink&) = delete;
    ScopedThreadStatusSink& operator=(const ScopedThreadStatusSink&) = delete;
private:
    StatusSink* previous_;
};

// The sink of a document window: its own, else the current one.
StatusSink& GetWindowStatusSink(WinInfoRec* theWindow);

// ---- information bar and progress of a window (nothing for a null window) ----

void ClearStatusBar(WinInfoRec* theWindow);
void DrawInfoBarText(WinInfoRec* theWindow, const std::string* text);
void DrawInfoBarText(WinInfoRec* theWindow, const std::string& text);
void DrawInfoBarReadout(WinInfoRec* theWindow, const InfoBarReadoutRec& readout);
void ShowLocalizedStatus(WinInfoRec* theWindow, const std::string& key);
void StartProgressBar(WinInfoRec* theWindow, const std::string& text);
// Advances the bar of the window that started it; never moves back, ignores other windows.
void ProgressBar(WinInfoRec* theWindow, int curProgress);
void StopProgressBar(WinInfoRec* theWindow);

// ---- the message window ----
void ShowMessageWindow(const std::string* title, const std::string* text);
void ShowMessageWindow(const std::string& title, const std::string& text);
void HideMessageWindow();

// ---- alerts by message key: the key's text, explained by the text of key + "_2" ----
void MyCFStopAlert(const std::string& key);
void MyCFCautionAlert(const std::string& key);
void MyCFNoteAlert(const std::string& key);
// Alerts whose text is plain English in the program rather than a key.
void MyCFStopAlertText(const std::string& text, const std::string& explanation = {});
void MyCFCautionAlertText(const std::string& text, const std::string& explanation = {});
void MyCFNoteAlertText(const std::string& text, const std::string& explanation = {});
// Shows the problems a reader returned, one alert each in order, as the alerts above would have.
void ShowProblem(const FileProblem& problem);
void ShowProblems(const FileProblems& problems);

// Fills the first integer placeholder (%d, %ld, %u, %lu, %i) of a localised format with n; the
// format comes from a text file, so it is never handed to printf.
std::string FormatCount(const std::string& format, long long n);
// Fills the "%s" placeholders of a localised format, in order, with the given texts (missing
// texts leave their placeholders empty; extra texts are ignored).
std::string FormatTexts(const std::string& format, const std::vector<std::string>& texts);

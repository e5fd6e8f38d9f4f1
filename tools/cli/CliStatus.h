// What the command-line tool shows on standard error: the engine's alerts, messages and notes as
// lines "velmora-cli: FILE: text", and a one-line progress bar that is drawn only on a terminal.
// The engine reports through a StatusSink (Status.h); CliStatusSink is the tool's.
#pragma once

#include "Status.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

inline constexpr char kCliProgramName[] = "velmora-cli";

// One message line: "velmora-cli: context: text explanation" (an empty context is left out).
std::string FormatCliMessage(const std::string& context, const std::string& text, const std::string& explanation = {});

// Whether an information-bar or message-window text only tells what is going on ("Sorting
// reflexions…", "Writing output…"), as against a note the user should read (an origin choice the
// CIF reader made, the block of a measured-data file that was read).
bool IsTransientStatus(const std::string& text);

// The progress bar: "label [#####.....]  45%" rewritten in place on a terminal; nothing at all
// when disabled (standard error is not a terminal). Lines printed while the bar shows go above
// it. Safe to call from several threads.
class TerminalProgress {
public:
    TerminalProgress(std::FILE* out, bool enabled);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    bool enabled() const { return enabled_; }
    // Shows the bar at percent (0..100); redraws only when the text would change.
    void Show(const std::string& label, int percent);
    // Erases the bar.
    void Clear();
    // Prints a line (a newline is added), erasing the bar first; the bar comes back with the next Show.
    void PrintLine(const std::string& line);

private:
    void EraseLocked();
    std::FILE* out_;
    bool enabled_;
    bool showing_ = false;
    std::string last_;
    std::mutex mutex_;
};

// Whether stderr is a terminal (progress bars are drawn only then).
bool StandardErrorIsTerminal();

// The tool's status sink. Alerts, messages and notes become lines for the line writer, prefixed
// with the file being worked on; progress goes to the bar once the work has taken kProgressDelay;
// status texts are shown only when verbose. Counts the stop alerts, so the caller can tell that something failed.
class CliStatusSink final : public StatusSink {
public:
    static constexpr std::chrono::milliseconds kProgressDelay{300};
    using LineWriter = std::function<void(const std::string& line)>;
    CliStatusSink(LineWriter writer, TerminalProgress* progress, bool verbose);

    // The file the following messages are about (its name as given), or empty.
    void SetContext(std::string context) { context_ = std::move(context); }
    const std::string& context() const { return context_; }
    int stopAlerts() const { return stopAlerts_; }

    void InfoBarText(const std::string& text) override;
    void ProgressStart(const std::string& text) override;
    void ProgressValue(int percent) override;
    void ProgressStop() override;
    void MessageWindow(const std::string& title, const std::string& text) override;
    void Alert(AlertKind kind, const std::string& text, const std::string& explanation) override;

private:
    LineWriter writer_;
    TerminalProgress* progress_;
    bool verbose_;
    std::string context_;
    std::string progressLabel_;
    std::chrono::steady_clock::time_point progressStarted_{};
    int stopAlerts_ = 0;
};

// The standard error of one command: a progress bar (on a terminal) and a status sink that is the
// program's for the command's lifetime.
class CliConsole {
public:
    explicit CliConsole(bool verbose);
    ~CliConsole();
    CliConsole(const CliConsole&) = delete;
    CliConsole& operator=(const CliConsole&) = delete;

    bool terminal() const { return progress_.enabled(); }
    TerminalProgress& progress() { return progress_; }
    CliStatusSink& sink() { return sink_; }
    // Prints "velmora-cli: context: error: text" (an empty context is left out).
    void Error(const std::string& context, const std::string& text);
    void Line(const std::string& line) { progress_.PrintLine(line); }

private:
    TerminalProgress progress_;
    CliStatusSink sink_;
};

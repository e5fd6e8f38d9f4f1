// Messages and progress of the command-line tool on standard error.
#include "CliStatus.h"

#include "FileTypes.h"
#include "StringTable.h"

#include <algorithm>
#include <unistd.h>

namespace {

// Status texts of the information bar and message window that only tell what is going on.
const char* const kTransientKeys[] = {
    "Generating_HKL_Listing", "Sorting_HKL_Listing", "Sorting_Reflexions", "Merging_Reflexions",
    "Calculating_Profile",    "Plotting_Pattern",    "Writing_Output",     "Writing_Fhkl",
    "Reading_OBDF_File",      "Reading_Session_File", "File_Loaded",
};
// The same with a count in them ("Copying %ld reflexions…"): compared up to the count.
const char* const kTransientCountKeys[] = {"Copying_N_Reflexions", "Calculating_N_Reflexions"};

constexpr int kBarCells = 20;
constexpr std::size_t kMaxLabelBytes = 48;

// One line of text: line breaks become blanks.
std::string OneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

// Cuts text to at most n bytes without splitting a UTF-8 character.
std::string CutUtf8(const std::string& text, std::size_t n)
{
    if (text.size() <= n)
        return text;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return text.substr(0, n) + "…";
}

}  // namespace

std::string FormatCliMessage(const std::string& context, const std::string& text, const std::string& explanation)
{
    std::string line = kCliProgramName;
    line += ": ";
    if (!context.empty())
        line += context + ": ";
    line += OneLine(text);
    if (!explanation.empty())
        line += " " + OneLine(explanation);
    return line;
}

bool IsTransientStatus(const std::string& text)
{
    if (text.empty())
        return true;
    for (const char* key : kTransientKeys)
        if (text == LocalizedString(key))
            return true;
    for (const char* key : kTransientCountKeys) {
        const std::string format = LocalizedString(key);
        const std::size_t mark = format.find('%');
        if (mark != std::string::npos && mark > 0 && text.compare(0, mark, format, 0, mark) == 0)
            return true;
    }
    return false;
}

bool StandardErrorIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

// ---- TerminalProgress ----

TerminalProgress::TerminalProgress(std::FILE* out, bool enabled) : out_(out), enabled_(enabled && out) {}

TerminalProgress::~TerminalProgress()
{
    Clear();
}

void TerminalProgress::EraseLocked()
{
    if (showing_) {
        std::fputs("\r\033[K", out_);
        std::fflush(out_);
        showing_ = false;
        last_.clear();
    }
}

void TerminalProgress::Show(const std::string& label, int percent)
{
    if (!enabled_)
        return;
    percent = std::clamp(percent, 0, 100);
    const int filled = percent * kBarCells / 100;
    std::string text = CutUtf8(OneLine(label), kMaxLabelBytes) + " [" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(kBarCells - filled), '.') + "] " + std::to_string(percent) + "%";
    std::lock_guard lock(mutex_);
    if (showing_ && text == last_)
        return;
    std::fputs("\r\033[K", out_);
    std::fputs(text.c_str(), out_);
    std::fflush(out_);
    showing_ = true;
    last_ = std::move(text);
}

void TerminalProgress::Clear()
{
    if (!enabled_)
        return;
    std::lock_guard lock(mutex_);
    EraseLocked();
}

void TerminalProgress::PrintLine(const std::string& line)
{
    std::lock_guard lock(mutex_);
    if (enabled_)
        EraseLocked();
    std::fputs(line.c_str(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

// ---- CliStatusSink ----

CliStatusSink::CliStatusSink(LineWriter writer, TerminalProgress* progress, bool verbose)
    : writer_(std::move(writer)), progress_(progress), verbose_(verbose)
{
}

void CliStatusSink::InfoBarText(const std::string& text)
{
    if (!IsTransientStatus(text)) {
        // A note of several lines (a reader's findings) gives one line each.
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            writer_(FormatCliMessage(context_, "note: " + text.substr(start, end - start)));
        writer_(FormatCliMessage(context_, "note: " + text.substr(start)));
    } else if (verbose_ && !text.empty())
        writer_(FormatCliMessage(context_, text));
}

void CliStatusSink::ProgressStart(const std::string& text)
{
    progressLabel_ = context_.empty() ? text : FileDisplayName(context_) + ": " + text;
    progressStarted_ = std::chrono::steady_clock::now();
}

void CliStatusSink::ProgressValue(int percent)
{
    // Quick work shows no bar at all.
    if (progress_ && std::chrono::steady_clock::now() - progressStarted_ >= kProgressDelay)
        progress_->Show(progressLabel_, percent);
}

void CliStatusSink::ProgressStop()
{
    if (progress_)
        progress_->Clear();
}

void CliStatusSink::MessageWindow(const std::string& title, const std::string& text)
{
    if (!IsTransientStatus(title))
        writer_(FormatCliMessage(context_, "warning: " + title + ":", text));
    else if (verbose_)
        writer_(FormatCliMessage(context_, title));
}

void CliStatusSink::Alert(AlertKind kind, const std::string& text, const std::string& explanation)
{
    const char* label = "error: ";
    if (kind == AlertKind::Stop)
        ++stopAlerts_;
    else if (kind == AlertKind::Caution)
        label = "warning: ";
    else
        label = "note: ";
    writer_(FormatCliMessage(context_, label + text, explanation));
}

// ---- CliConsole ----

CliConsole::CliConsole(bool verbose)
    : progress_(stderr, StandardErrorIsTerminal()),
      sink_([this](const std::string& line) { progress_.PrintLine(line); }, &progress_, verbose)
{
    SetStatusSink(&sink_);
}

CliConsole::~CliConsole()
{
    SetStatusSink(nullptr);
    progress_.Clear();
}

void CliConsole::Error(const std::string& context, const std::string& text)
{
    progress_.PrintLine(FormatCliMessage(context, "error: " + text));
}

// Loading a command's files into a document and writing its outputs.
#include "CliDocument.h"

#include "AddFiles.h"
#include "CliJson.h"
#include "CliPlot.h"
#include "CliSettings.h"
#include "CliStatus.h"
#include "Diffraction.h"
#include "Document.h"
#include "FileTypes.h"
#include "PlotCommands.h"
#include "PlotPattern.h"
#include "Profile.h"
#include "Reports.h"
#include "SafeFile.h"
#include "SessionFile.h"
#include "Status.h"
#include "StringTable.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

UInt32 TypeOf(const std::string& path)
{
    UInt32 code = 0;
    return MyGetFileType(path, &code) == kNoErr ? code : 0;
}

bool Wanted(UInt32 code, bool allowSessions, bool crystalsOnly)
{
    if (crystalsOnly)
        return IsCrystalFileType(code);
    return IsCrystalFileType(code) || IsDatasetFileType(code) || (allowSessions && IsSessionFileType(code));
}

void RecomputeCrystals(WinInfoRec* doc)
{
    for (VLPatternPtr pp : doc->plotList)
        if (pp->type == kPatternTypeCrystal && pp->crystal)
            JustDiffract(doc, pp->crystal.get(), nullptr);
}

// What "add files" does when the window then shows crystals and measured data: the profiles are
// computed for the plot's pixel columns and the data scaled to the calculated maximum.
void ScaleDatasetsToCrystals(WinInfoRec* doc, int paneWidth, int paneHeight)
{
    PlotSpecsRec& ps = doc->plotSpecs;
    if (!(ps.xmin < ps.xmax))
        return;
    GetCurPlotRect(DrawContext{}, doc, Rect{0, 0, static_cast<SInt16>(paneHeight), static_cast<SInt16>(paneWidth)});
    const Rect plot = doc->plotRect;
    if (plot.Width() < 2)
        return;
    ps.xscale = static_cast<Float32>(plot.Width() / (static_cast<double>(ps.xmax) - ps.xmin));
    CalculateProfiles(doc, 0, plot.Width() - 1, plot, false);
    AutoSetRelativeYScale(doc);
}

bool ToStandardOutput(const std::string& target)
{
    return target == "-";
}

// Writes a report with the stream writer to standard output or the path writer to a file.
bool WriteReportTo(WinInfoRec* doc, const std::string& target, const char* what,
                   OSErr (*toStream)(WinInfoRec*, std::FILE*), OSErr (*toFile)(WinInfoRec*, const std::string&))
{
    OSErr err;
    if (ToStandardOutput(target)) {
        err = toStream(doc, stdout);
        if (err == kNoErr && (std::fflush(stdout) != 0 || std::ferror(stdout))) {
            MyCFStopAlertText(std::string("the ") + what + " could not be written to standard output");
            return false;
        }
    } else {
        err = toFile(doc, target);
    }
    if (err == kParamErr)
        MyCFStopAlertText(std::string("no ") + what + " written: " + LocalizedString("Window_Has_No_Crystal"));
    else if (err != kNoErr && ToStandardOutput(target))
        MyCFStopAlertText(std::string("the ") + what + " could not be written to standard output");
    return err == kNoErr;
}

bool WriteJson(WinInfoRec* doc, const std::string& target)
{
    const std::string text = ReflexionsJson(doc);
    if (ToStandardOutput(target)) {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
            MyCFStopAlertText("the JSON listing could not be written to standard output");
            return false;
        }
        return true;
    }
    const OSErr err = WriteFileSafely(target, [&](std::FILE* file) {
        return std::fwrite(text.data(), 1, text.size(), file) == text.size() ? kNoErr : kIOErr;
    });
    if (err != kNoErr) {
        const std::string key = WriteErrorKey(err);
        MyCFStopAlertText("the JSON listing could not be written to \"" + target + "\": " + LocalizedString(key),
                          LocalizedString(key + "_2"));
        return false;
    }
    return true;
}

}  // namespace

bool OutputTargets::Any() const
{
    return !listing.empty() || !profile.empty() || !fhkl.empty() || !json.empty() || !session.empty() || !plots.empty();
}

std::vector<std::string> OutputTargets::Files() const
{
    std::vector<std::string> files;
    for (const std::string* target : {&listing, &profile, &fhkl, &json, &session})
        if (!target->empty() && !ToStandardOutput(*target))
            files.push_back(*target);
    for (const std::string& path : plots)
        if (!ToStandardOutput(path))
            files.push_back(path);
    return files;
}

std::string CheckOutputTargets(const OutputTargets& t, const PlotExportOptions& plot)
{
    const std::vector<std::string> files = t.Files();
    for (std::size_t i = 0; i < files.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (fs::path(files[i]).lexically_normal() == fs::path(files[j]).lexically_normal())
                return "two outputs would go to \"" + files[i] + "\"";
    int toStdout = 0;
    for (const std::string* target : {&t.listing, &t.profile, &t.fhkl, &t.json})
        toStdout += ToStandardOutput(*target);
    if (toStdout > 1)
        return "only one output can go to standard output (-)";
    if (ToStandardOutput(t.session))
        return "the session file is binary: give --session a file name";
    for (const std::string& path : t.plots) {
        if (ToStandardOutput(path))
            return "give --plot a file name ending in .png, .svg or .pdf";
        const std::string error = CheckPlotTarget(path, plot);
        if (!error.empty())
            return error;
    }
    return {};
}

std::string CheckOutputsSpareInputs(const OutputTargets& targets, const std::vector<std::string>& inputs)
{
    for (const std::string& target : targets.Files()) {
        for (const std::string& input : inputs) {
            std::error_code ec;
            if (fs::equivalent(target, input, ec))
                return "the output \"" + target + "\" is an input file, which it would replace";
        }
    }
    return {};
}

std::vector<std::string> ExpandInputs(const std::vector<std::string>& paths, bool allowSessions, bool crystalsOnly,
                                      std::vector<InputProblem>* problems)
{
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (ec || !fs::exists(status)) {
            problems->push_back({path, "no such file or folder"});
            continue;
        }
        if (fs::is_directory(status)) {
            for (const std::string& file : CollectFiles({path}, allowSessions))
                if (Wanted(TypeOf(file), allowSessions, crystalsOnly))
                    files.push_back(file);
            continue;
        }
        const UInt32 code = TypeOf(path);
        if (Wanted(code, allowSessions, crystalsOnly))
            files.push_back(path);
        else if (IsMoleculeFileType(code))
            problems->push_back({path, LocalizedString("No_Molecule_Diffraction")});
        else if (crystalsOnly)
            problems->push_back({path, "not a crystal or CIF file"});
        else if (IsSessionFileType(code))
            problems->push_back({path, "session files cannot be given here"});
        else
            problems->push_back({path, LocalizedString("Unknown_File_Type") + " " + LocalizedString("Unknown_File_Type_2")});
    }
    return files;
}

LoadOutcome LoadDocument(WinInfoRec* doc, const std::vector<std::string>& files, const SimulationSettings& settings,
                         CliStatusSink& sink, std::string* error)
{
    std::vector<std::string> sessions, others;
    for (const std::string& path : files)
        (IsSessionFileType(TypeOf(path)) ? sessions : others).push_back(path);
    if (std::string problem = CheckSampleSettings(settings); !problem.empty()) {
        *error = problem;
        return LoadOutcome::BadSettings;
    }

    for (const std::string& path : sessions) {
        sink.SetContext(path);
        FileProblems problems;
        const bool read = ReadSessionFile(doc, path, gPrefs, problems);
        ShowProblems(problems);
        if (!read)
            return LoadOutcome::Failed;
    }
    sink.SetContext({});
    if (std::string problem = ApplyInstrumentSettings(doc, settings); !problem.empty()) {
        *error = problem;
        return LoadOutcome::BadSettings;
    }
    // The sessions' crystals were computed with the sessions' settings.
    if (!sessions.empty())
        RecomputeCrystals(doc);

    for (const std::string& path : others) {
        sink.SetContext(path);
        const int alertsBefore = sink.stopAlerts();
        if (LoadPatternsFromFile(doc, path, true, gPrefs).empty() || sink.stopAlerts() != alertsBefore)
            return LoadOutcome::Failed;
    }
    sink.SetContext({});

    if (std::string problem = ApplySampleSettings(doc, settings); !problem.empty()) {
        *error = problem;
        return LoadOutcome::BadSettings;
    }
    if (!others.empty() && GetNumCrystalsInPlotList(doc) > 0 && GetNumDatasetsInPlotList(doc) > 0)
        ScaleDatasetsToCrystals(doc, settings.width, settings.height);
    if (doc->filename.empty() && !files.empty())
        doc->filename = FileDisplayName(files.front());
    return LoadOutcome::Loaded;
}

void SetDefaultChannel(WinInfoRec* doc, const SimulationSettings& settings)
{
    if (settings.channel)
        return;
    // The plot rectangle of a pane of the plot's size, laid out on a copy of the settings.
    std::unique_ptr<WinInfoRec> scratch = CreateWindowInfo(gPrefs);
    scratch->plotSpecs = doc->plotSpecs;
    GetCurPlotRect(DrawContext{}, scratch.get(), Rect{0, 0, static_cast<SInt16>(settings.height), static_cast<SInt16>(settings.width)});
    const Float32 width = ProposedChannelWidth(doc, scratch->plotRect.Width());
    if (width > 0)
        doc->plotSpecs.exportChannelSize = width;
}

PlotExportOptions PlotOptionsOf(const SimulationSettings& settings)
{
    PlotExportOptions options;
    options.width = settings.width;
    options.height = settings.height;
    return options;
}

bool WriteOutputs(WinInfoRec* doc, const OutputTargets& t, const PlotExportOptions& plotOptions, PlotWriter* plotWriter,
                  CliStatusSink& sink)
{
    const std::string context = sink.context();
    bool ok = true;
    // Messages about an output name its file (none for standard output).
    auto about = [&](const std::string& target) { sink.SetContext(ToStandardOutput(target) ? context : target); };
    if (!t.listing.empty()) {
        about(t.listing);
        ok &= WriteReportTo(doc, t.listing, "listing", WriteListingStream, WriteListingFile);
    }
    if (!t.json.empty()) {
        about(t.json);
        ok &= WriteJson(doc, t.json);
    }
    if (!t.profile.empty()) {
        about(t.profile);
        const std::string refusal = ExportProfileRefusal(doc);
        if (!refusal.empty()) {
            MyCFStopAlertText("no profile written: " + LocalizedString(refusal));
            ok = false;
        } else {
            ok &= WriteReportTo(doc, t.profile, "profile", WriteProfileStream, WriteProfileFile);
        }
    }
    if (!t.session.empty()) {
        about(t.session);
        const OSErr err = WriteSessionFile(doc, t.session);
        if (err == kParamErr)
            MyCFStopAlertText("no session written: the document is empty");
        ok &= err == kNoErr;
    }
    if (!t.fhkl.empty()) {
        about(t.fhkl);
        ok &= WriteReportTo(doc, t.fhkl, "structure-factor table", WriteStrucFacStream, WriteStrucFacFile);
        // Listing structure factors keeps the weak reflexions in the crystals; the plot shows
        // the crystals as computed normally.
        if (!t.plots.empty())
            RecomputeCrystals(doc);
    }
    for (const std::string& path : t.plots) {
        about(path);
        std::string error;
        if (!plotWriter || !plotWriter->Write(doc, path, plotOptions, &error)) {
            MyCFStopAlertText(error.empty() ? "the plot could not be drawn" : error);
            ok = false;
        }
    }
    sink.SetContext(context);
    return ok;
}

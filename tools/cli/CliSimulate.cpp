// The simulate command.
#include "CliSimulate.h"

#include "CliCommands.h"
#include "CliPlot.h"
#include "CliStatus.h"
#include "Document.h"

#include <memory>

int RunSimulate(const CliOptions& options)
{
    CliConsole console(options.verbose);
    auto usage = [&](const std::string& text) {
        console.Error({}, text);
        return kExitUsage;
    };

    OutputTargets outputs = options.outputs;
    if (!outputs.Any())
        outputs.listing.assign(1, '-');  // standard output
    const PlotExportOptions plotOptions = PlotOptionsOf(options.settings);
    if (std::string problem = CheckOutputTargets(outputs, plotOptions); !problem.empty())
        return usage(problem);

    std::vector<InputProblem> problems;
    const std::vector<std::string> files = ExpandInputs(options.inputs, true, false, &problems);
    for (const InputProblem& p : problems)
        console.Error(p.path, p.reason);
    if (!problems.empty())
        return kExitFailure;
    if (files.empty()) {
        console.Error({}, "the folders given hold no file to simulate");
        return kExitFailure;
    }
    if (std::string problem = CheckOutputsSpareInputs(outputs, files); !problem.empty())
        return usage(problem);
    if (!StartEngine())
        return kExitFailure;

    std::unique_ptr<WinInfoRec> doc = CreateWindowInfo(gPrefs);
    std::string error;
    switch (LoadDocument(doc.get(), files, options.settings, console.sink(), &error)) {
    case LoadOutcome::BadSettings: return usage(error);
    case LoadOutcome::Failed: return kExitFailure;
    case LoadOutcome::Loaded: break;
    }
    SetDefaultChannel(doc.get(), options.settings);

    std::unique_ptr<PlotWriter> plotWriter;
    if (!outputs.plots.empty())
        plotWriter = std::make_unique<PlotWriter>(options.verbose);
    const bool written = WriteOutputs(doc.get(), outputs, plotOptions, plotWriter.get(), console.sink());
    return written ? kExitSuccess : kExitFailure;
}

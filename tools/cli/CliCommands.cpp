// The command table of velmora-cli and the parser built from it.
#include "CliCommands.h"

#include "CliBatch.h"
#include "CliSimulate.h"
#include "CliStatus.h"
#include "Diffraction.h"
#include "Globals.h"
#include "ScatteringTable.h"
#include "Versions.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>

namespace {

void AddOutputOption(CLI::App& app, const char* name, std::string& target, const char* help)
{
    app.add_option(name, target, help)->type_name("OUT")->group("Output");
}

void DeclareSimulate(CLI::App& app, CliOptions& o)
{
    app.add_option("files", o.inputs,
                   "crystal files (obdf, obd5), CIF files, measured data and session files (vlmf), or folders of them")
        ->type_name("FILE")->required();
    AddOutputOption(app, "--listing", o.outputs.listing, "reflexion listing (the default, to standard output)");
    AddOutputOption(app, "--profile", o.outputs.profile, "calculated profile, one row per --channel step");
    AddOutputOption(app, "--fhkl", o.outputs.fhkl, "structure factors of every reflexion");
    AddOutputOption(app, "--json", o.outputs.json, "reflexions as JSON, for programs");
    AddOutputOption(app, "--session", o.outputs.session, "session file (.vlmf) that the desktop program opens");
    app.add_option("--plot", o.outputs.plots, "plot, as PNG, SVG or PDF by the name's extension (repeatable)")
        ->type_name("FILE")->allow_extra_args(false)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->group("Output");
    app.add_flag("-v,--verbose", o.verbose, "tell what is being done");
    AddSettingOptions(app, o.settings);
}

void DeclareBatch(CLI::App& app, CliOptions& o)
{
    app.add_option("paths", o.inputs, "crystal and CIF files, or folders of them (walked through all levels)")
        ->type_name("PATH")->required();
    app.add_option("--out", o.outDir, "folder for the outputs (created when missing)")->type_name("DIR")->required()
        ->group("Output");
    o.outputKinds = {"listing", "png"};
    app.add_option("--outputs", o.outputKinds,
                   "what to write for each file, comma-separated, from: " + BatchOutputKindList() +
                       " (named NAME Listing.txt, NAME Profile.txt, NAME Fhkl.txt, NAME.json, NAME.vlmf, NAME.png, ...)")
        ->delimiter(',')->allow_extra_args(false)->check(CLI::IsMember(BatchOutputKinds()).description(""))
        ->capture_default_str()->type_name("LIST")->group("Output");
    app.add_option("-j,--jobs", o.jobs, "files simulated at once (default: one per core)")
        ->type_name("N")->check(CLI::Range(1, 1024).description(""));
    AddBatchScaleOptions(app, o);
    app.add_flag("-v,--verbose", o.verbose, "tell what is being done");
    AddSettingOptions(app, o.settings);
}

const std::vector<CliCommandRec> kCommands = {
    {"simulate", "Load files into one document and write its listing, profile, structure factors, JSON, session or plot",
     "Example: velmora-cli simulate quartz.cif --preset CuKa --no-mono --plot quartz.png --listing -",
     DeclareSimulate, RunSimulate},
    {"batch", "Simulate every structure file of folders or lists, each on its own, into an output folder",
     "Example: velmora-cli batch --out results --outputs listing,json,png structures/", DeclareBatch, RunBatch},
};

}  // namespace

const std::vector<CliCommandRec>& CliCommandTable()
{
    return kCommands;
}

bool StartEngine()
{
    InitVLGlobals();
    gPrefs = gFactoryPrefs;
    ResetGlobalPlotLimits(gPrefs.plotSpecs);
    FileProblems problems;
    ReadASFactors(problems);
    ShowProblems(problems);
    if (gNumASF == 0) {
        MyCFStopAlertText("the scattering-factor table ASF.dat was not found",
                          "It ships in share/velmora beside the program's folder.");
        return false;
    }
    return true;
}

int RunCli(int argc, char** argv)
{
    CLI::App app{"Powder diffraction patterns from crystal structures, without a display.", kCliProgramName};
    app.set_version_flag("--version", std::string(kCliProgramName) + " " + gProgramVersion);
    app.require_subcommand(1);
    app.footer("Run 'velmora-cli COMMAND --help' for the options of a command.");
    CliOptions options;
    for (const CliCommandRec& command : CliCommandTable()) {
        CLI::App* sub = app.add_subcommand(command.name, command.summary);
        sub->footer(command.example);
        command.declareOptions(*sub, options);
    }
    // A word where the command belongs is most likely a misspelt command.
    if (argc > 1 && argv[1][0] != '-') {
        bool known = false;
        for (const CliCommandRec& command : CliCommandTable())
            known |= std::strcmp(argv[1], command.name) == 0;
        if (!known) {
            std::fprintf(stderr, "%s: error: '%s' is not a command\nRun 'velmora-cli --help' for the commands.\n",
                         kCliProgramName, argv[1]);
            return kExitUsage;
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0)
            return app.exit(e);  // --help, --version
        std::string hint = "velmora-cli --help";
        for (const CLI::App* sub : app.get_subcommands())
            hint = std::string("velmora-cli ") + sub->get_name() + " --help";
        std::fprintf(stderr, "%s: error: %s\nRun '%s' for the options.\n", kCliProgramName, e.what(), hint.c_str());
        return kExitUsage;
    }
    for (const CliCommandRec& command : CliCommandTable())
        if (app.got_subcommand(command.name))
            return command.run(options);
    return kExitUsage;
}

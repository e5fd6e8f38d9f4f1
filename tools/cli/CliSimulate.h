// The simulate command: every file given into one document, with the command line's settings,
// and the outputs asked for written from it (the listing to standard output when none is).
#pragma once

struct CliOptions;

int RunSimulate(const CliOptions& options);

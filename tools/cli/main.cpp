// velmora-cli: the engine, the file formats and the plot without the desktop.
#include "CliCommands.h"

int main(int argc, char** argv)
{
    return RunCli(argc, argv);
}

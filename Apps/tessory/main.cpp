// tessory: a command-line host for the QX Tessory effect.
#include "commands/CommandLine.h"

int main(int argc, char** argv) {
    return Corvane::Tessory::Cli::CommandLine::run(argc, argv);
}

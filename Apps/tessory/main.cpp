// tessory: a command-line host for the QX Tessory effect.
#include "CommandLine.h"

int main(int argc, char** argv) {
    return Corvane::Tessory::Cli::CommandLine::run(argc, argv);
}

// tessory: a command-line host for the QX Tessory effect.
#include "Host/ProcessMemory.h"
#include "commands/CommandLine.h"

int main(int argc, char** argv) {
    Corvane::Tessory::Host::keepLargeBuffersMapped();
    return Corvane::Tessory::Cli::CommandLine::run(argc, argv);
}

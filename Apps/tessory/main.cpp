// tessory: a command-line host for the QX Tessory effect.
#include "CommandLine.h"
#include "Host/ProcessMemory.h"

int main(int argc, char** argv) {
    Corvane::Tessory::Host::keepLargeBuffersMapped();
    return Corvane::Tessory::Cli::CommandLine::run(argc, argv);
}

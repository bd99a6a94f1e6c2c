#include "Host/ProcessMemory.h"

#include <malloc.h>

namespace Corvane::Tessory::Host {

void keepLargeBuffersMapped() {
    // Setting the threshold also turns off its growth with every freed block.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
}

}  // namespace Corvane::Tessory::Host

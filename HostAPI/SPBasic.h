// The basic suite: the host's table for acquiring and releasing every other suite.
#pragma once

#include "A.h"

extern "C" {

typedef int32_t SPErr;
enum { kSPNoError = 0, kSPSuiteNotFoundError = 0x53214e46 /* 'S!NF' */ };

struct SPBasicSuite {
    /// Looks a suite up by name and version; writes its function table on success.
    SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
    /// Gives back one acquisition of a suite.
    SPErr (*ReleaseSuite)(const char* name, int32_t version);
    /// Non-zero when two suite names are the same.
    A_Boolean (*IsEqual)(const char* token1, const char* token2);
    SPErr (*AllocateBlock)(size_t size, void** block);
    SPErr (*FreeBlock)(void* block);
    SPErr (*ReallocateBlock)(void* block, size_t newSize, void** newblock);
    SPErr (*Undefined)(void);
};

}  // extern "C"

// The drawing suites a plug-in may ask for; the effect itself draws nothing through them.
#pragma once

#include "A.h"

extern "C" {

#define kDRAWBOT_DrawSuite "DRAWBOT Draw Suite"
#define kDRAWBOT_SupplierSuite "DRAWBOT Supplier Suite"
#define kDRAWBOT_SurfaceSuite "DRAWBOT Surface Suite"
#define kDRAWBOT_PathSuite "DRAWBOT Path Suite"

struct DRAWBOT_DrawbotSuite1;
struct DRAWBOT_SupplierSuite1;
struct DRAWBOT_SurfaceSuite2;
struct DRAWBOT_PathSuite1;

struct DRAWBOT_Suites {
    DRAWBOT_DrawbotSuite1* drawbot_suiteP;
    DRAWBOT_SupplierSuite1* supplier_suiteP;
    DRAWBOT_SurfaceSuite2* surface_suiteP;
    DRAWBOT_PathSuite1* path_suiteP;
};

}  // extern "C"

// CoreGraphics as Apple declares it, for the one image type the status item passes on.
#pragma once
#include <Availability.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CGImage* CGImageRef;
void CGImageRelease(CGImageRef image);

#ifdef __cplusplus
}
#endif

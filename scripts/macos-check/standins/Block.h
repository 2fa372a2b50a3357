// Stand-in for the blocks runtime header that GNUstep includes on Apple targets.
#pragma once
#ifdef __cplusplus
extern "C" {
#endif
void* _Block_copy(const void* block);
void _Block_release(const void* block);
#ifdef __cplusplus
}
#endif
#define Block_copy(b) ((__typeof__(b))_Block_copy((const void*)(b)))
#define Block_release(b) _Block_release((const void*)(b))

// Giving freed heap memory back to the system.
#pragma once

namespace lendmode {

// Loading or switching sets with thousands of applications frees megabytes of
// temporary copies, which glibc's allocator would otherwise keep resident for as long
// as the program runs. Does nothing where the allocator returns them by itself.
void releaseFreedMemory();

}  // namespace lendmode

// Stand-in: glibc's x86-64 headers read the word size from __x86_64__; both Mac
// targets are 64-bit.
#pragma once
#define __WORDSIZE 64
#define __WORDSIZE_TIME64_COMPAT32 1
#define __SYSCALL_WORDSIZE 64

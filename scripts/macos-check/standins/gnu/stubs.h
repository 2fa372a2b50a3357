// Stand-in: glibc picks its stubs by the host's word size, which an arm64 target
// does not match; nothing in them matters to a syntax check.
#pragma once

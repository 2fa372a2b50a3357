# The fuzz build (LENDMODE_FUZZ, the fuzz preset): libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer, which only clang provides. Every library is compiled with
# the fuzzer's coverage instrumentation and the sanitizers; the targets link libFuzzer's
# own main through LENDMODE_FUZZ_LINK_OPTIONS.
if(LENDMODE_SANITIZE)
  message(FATAL_ERROR "LENDMODE_FUZZ builds with the sanitizers already; leave LENDMODE_SANITIZE off.")
endif()

include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS "-fsanitize=fuzzer,address,undefined")
check_cxx_source_compiles([[
#include <cstddef>
#include <cstdint>
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }
]] LENDMODE_HAS_LIBFUZZER)
unset(CMAKE_REQUIRED_FLAGS)
if(NOT LENDMODE_HAS_LIBFUZZER)
  message(FATAL_ERROR
    "LENDMODE_FUZZ needs a compiler that builds -fsanitize=fuzzer,address,undefined: clang with "
    "its runtime libraries (on Debian 12 the packages clang and libclang-rt-14-dev). "
    "${CMAKE_CXX_COMPILER} (${CMAKE_CXX_COMPILER_ID} ${CMAKE_CXX_COMPILER_VERSION}) cannot. "
    "Configure with `cmake --preset fuzz` (clang), or run ./scripts/fuzz, which installs them. "
    "(A cached failed check is kept in LENDMODE_HAS_LIBFUZZER: remove the build folder to check again.)")
endif()

add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                    -fno-sanitize-recover=undefined)
add_link_options(-fsanitize=address,undefined)
set(LENDMODE_FUZZ_LINK_OPTIONS -fsanitize=fuzzer)

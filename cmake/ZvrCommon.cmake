# One interface target carries the settings every ZVR target shares.
add_library(zvr_common INTERFACE)
target_compile_features(zvr_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
# Designated initializers leave defaulted members out on purpose; GCC 12 would flag each one.
target_compile_options(zvr_common INTERFACE -Wall -Wextra -Wno-missing-field-initializers)
# GCC 12 at -O3 (a Release build) warns wrongly (-Wrestrict) about the inlined copy of
# "text" + std::string (GCC bug 105651), all over the tree.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(zvr_common INTERFACE -Wno-restrict)
endif()
# Warnings fail the build in CI and in the test command; another compiler than ours may warn
# where ours does not, so a user's own build only reports them.
if(ZVR_WERROR)
    target_compile_options(zvr_common INTERFACE -Werror)
endif()

# lld links the test programs several times faster than the default linker, which matters with
# some fifty programs in each of the test command's builds; the default linker when it is absent.
include(CheckLinkerFlag)
check_linker_flag(CXX "-fuse-ld=lld" ZVR_HAS_LLD)
if(ZVR_HAS_LLD)
    target_link_options(zvr_common INTERFACE -fuse-ld=lld)
endif()

# Hardening, as Debian builds its packages: fortified library calls where the optimiser can
# check them, stack protection, and a read-only relocation table bound at start. Sanitizer
# and fuzzing builds bring checks of their own and run unoptimised.
if(ZVR_SANITIZE STREQUAL "" AND NOT ZVR_FUZZ)
    target_compile_options(zvr_common INTERFACE
        $<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2>
        -fstack-protector-strong -fstack-clash-protection -Wformat -Werror=format-security)
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|i.86")
        target_compile_options(zvr_common INTERFACE -fcf-protection)
    endif()
    target_link_options(zvr_common INTERFACE LINKER:-z,relro LINKER:-z,now)
endif()

if(ZVR_SANITIZE STREQUAL "address")
    target_compile_options(zvr_common INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(zvr_common INTERFACE -fsanitize=address,undefined)
elseif(ZVR_SANITIZE STREQUAL "thread")
    target_compile_options(zvr_common INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(zvr_common INTERFACE -fsanitize=thread)
elseif(NOT ZVR_SANITIZE STREQUAL "")
    message(FATAL_ERROR "ZVR_SANITIZE must be empty, 'address' or 'thread'")
endif()

# SPDX-License-Identifier: MIT
# The programs parse pictures and serial data from outside, so optimised builds
# get the hardening Debian gives its packages (as `dpkg-buildflags` reports it):
# position-independent executables, a strong stack protector with stack clash
# protection, fortified string and memory functions, read-only relocations
# bound at start, and control-flow protection where the processor has it. Sanitizer and fuzz builds bring their own instrumentation and
# stay as they are; Debug has no optimisation, which _FORTIFY_SOURCE needs.
if(LUMAREL_SANITIZE OR LUMAREL_BUILD_FUZZ)
  return()
endif()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()
set(optimised $<CONFIG:Release,RelWithDebInfo,MinSizeRel>)
add_compile_options(
  -fstack-protector-strong -fstack-clash-protection
  "$<${optimised}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
add_link_options(-Wl,-z,relro -Wl,-z,now)
include(CheckCXXCompilerFlag)
check_cxx_compiler_flag(-fcf-protection LUMAREL_HAS_CF_PROTECTION)
if(LUMAREL_HAS_CF_PROTECTION)
  add_compile_options(-fcf-protection)
endif()

# The hardening a distribution gives its packages (Debian's dpkg-buildflags
# with hardening=+all, and what newer releases add), for the optimised builds:
# Release, RelWithDebInfo and MinSizeRel. Each flag is used only where the
# compiler and linker take it. Debug builds go without: _FORTIFY_SOURCE needs
# optimisation. Sanitized and fuzz builds too: their runtimes do the checking.
# MSVC's defaults already have the stack guard (/GS), ASLR and DEP.
option(TORVELKAN_HARDENING "Build optimised builds with a distribution's hardening flags" ON)
if(NOT TORVELKAN_HARDENING OR MSVC OR TORVELKAN_SANITIZE OR TORVELKAN_FUZZ)
  return()
endif()

include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)
include(CheckLinkerFlag)

set(torvelkan_hardening_compile)
set(torvelkan_hardening_link)

# A flag the compiler only warns about (one that does not apply to the target)
# counts as not taken. -Wformat-security needs -Wformat.
set(CMAKE_REQUIRED_FLAGS "-Werror -Wformat")

# Fortified string and memory functions. Level 3 also checks sizes known only
# at run time: GCC 12 or Clang with glibc 2.34. A level the packager already
# chose in CMAKE_CXX_FLAGS stays; one the compiler defines by itself (as
# Ubuntu's does) is replaced, not redefined with a warning.
if(NOT CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE")
  check_cxx_source_compiles([=[
    #include <cstring>
    #if !defined(__GLIBC__) || __GLIBC__ < 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ < 34)
    #error glibc before 2.34
    #endif
    int main() { char a[2]; return static_cast<int>(__builtin_dynamic_object_size(a, 0)); }
  ]=] TORVELKAN_HAS_FORTIFY_3)
  if(TORVELKAN_HAS_FORTIFY_3)
    list(APPEND torvelkan_hardening_compile -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=3)
  else()
    list(APPEND torvelkan_hardening_compile -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
  endif()
endif()

# The stack protector is named to the linker too: MinGW links its runtime
# (libssp) only then.
check_cxx_compiler_flag(-fstack-protector-strong TORVELKAN_HAS_STACK_PROTECTOR)
if(TORVELKAN_HAS_STACK_PROTECTOR)
  list(APPEND torvelkan_hardening_compile -fstack-protector-strong)
  list(APPEND torvelkan_hardening_link -fstack-protector-strong)
endif()

check_cxx_compiler_flag(-Werror=format-security TORVELKAN_HAS_FORMAT_SECURITY)
if(TORVELKAN_HAS_FORMAT_SECURITY)
  list(APPEND torvelkan_hardening_compile -Wformat -Werror=format-security)
endif()

if(WIN32)
  # Address space layout randomisation, 64-bit wide, and no execution of data
  # (new binutils do this by default; older ones must be asked).
  foreach(flag dynamicbase nxcompat high-entropy-va)
    string(MAKE_C_IDENTIFIER "TORVELKAN_HAS_${flag}" result)
    check_linker_flag(CXX "LINKER:--${flag}" ${result})
    if(${result})
      list(APPEND torvelkan_hardening_link "LINKER:--${flag}")
    endif()
  endforeach()
else()
  # Stack probes against a stack grown into another mapping, and the
  # control-flow markers of the processor (x86 only).
  foreach(flag -fstack-clash-protection -fcf-protection)
    string(MAKE_C_IDENTIFIER "TORVELKAN_HAS${flag}" result)
    check_cxx_compiler_flag(${flag} ${result})
    if(${result})
      list(APPEND torvelkan_hardening_compile ${flag})
    endif()
  endforeach()

  # A position-independent executable, so that the program's own code moves
  # with ASLR; then the relocations made read-only, all resolved at start.
  check_cxx_compiler_flag(-fPIE TORVELKAN_HAS_PIE_CODE)
  check_linker_flag(CXX -pie TORVELKAN_HAS_PIE_LINK)
  if(TORVELKAN_HAS_PIE_CODE AND TORVELKAN_HAS_PIE_LINK)
    list(APPEND torvelkan_hardening_compile -fPIE)
    list(APPEND torvelkan_hardening_link -pie)
  endif()
  check_linker_flag(CXX "LINKER:-z,relro,-z,now" TORVELKAN_HAS_RELRO_NOW)
  if(TORVELKAN_HAS_RELRO_NOW)
    list(APPEND torvelkan_hardening_link "LINKER:-z,relro,-z,now")
  endif()
endif()
unset(CMAKE_REQUIRED_FLAGS)

set(torvelkan_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
add_compile_options("$<${torvelkan_optimised}:${torvelkan_hardening_compile}>")
add_link_options("$<${torvelkan_optimised}:${torvelkan_hardening_link}>")
message(STATUS "Hardening of the optimised builds: ${torvelkan_hardening_compile};"
  "${torvelkan_hardening_link}")

# The protections the programs carry, through quorvel_options. Linux builds: the stack protector,
# fortified C library calls, stack clash protection, control-flow protection (CET) where the compiler
# has it, full RELRO and immediate binding. The flags are the platform's where it says them (Debian's
# dpkg-buildflags, all hardening on); each protection it leaves out is added where the compiler takes
# it. The optimisation and debug flags stay the build type's. Sanitizer and fuzzing builds are left as
# they are: their instrumentation and these protections do not mix.
# The Windows programs: a random address from all of the 64-bit space (ASLR with high entropy), no code
# run from data (DEP), said here so that they hold whatever the linker's defaults; and no time stamp in
# the header, so that the same tree links the same program.
if(WIN32)
    target_link_options(quorvel_options INTERFACE -Wl,--dynamicbase,--nxcompat,--high-entropy-va
                                                  -Wl,--no-insert-timestamp)
    return()
endif()
if(QUORVEL_SANITIZE OR QUORVEL_FUZZ)
    return()
endif()
include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)

set(compile_flags)
set(link_flags)
find_program(QUORVEL_DPKG_BUILDFLAGS dpkg-buildflags)
if(QUORVEL_DPKG_BUILDFLAGS)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                                ${QUORVEL_DPKG_BUILDFLAGS} --get ${kind}
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
        if(failed)
            continue()
        endif()
        separate_arguments(flags UNIX_COMMAND "${flags}")
        list(FILTER flags EXCLUDE REGEX "^-(O.*|g.*)$")
        if(kind STREQUAL LDFLAGS)
            list(APPEND link_flags ${flags})
        else()
            list(APPEND compile_flags ${flags})
        endif()
    endforeach()
endif()

# quorvel_harden(<list> <check> <pattern> <flag>...): adds the flags when no flag of the list matches
# the pattern and the compiler (check COMPILE) or linker (check LINK) takes them.
function(quorvel_harden list check pattern)
    foreach(flag ${${list}})
        if(flag MATCHES "${pattern}")
            return()
        endif()
    endforeach()
    string(MAKE_C_IDENTIFIER "QUORVEL_TAKES${ARGN}" result)
    if(check STREQUAL COMPILE)
        check_cxx_compiler_flag("${ARGN}" ${result})
    else()
        check_linker_flag(CXX "${ARGN}" ${result})
    endif()
    if(${result})
        set(${list} ${${list}} ${ARGN} PARENT_SCOPE)
    endif()
endfunction()
quorvel_harden(compile_flags COMPILE "^-fstack-protector" -fstack-protector-strong)
quorvel_harden(compile_flags COMPILE "^-D_FORTIFY_SOURCE" -D_FORTIFY_SOURCE=2)
quorvel_harden(compile_flags COMPILE "^-fstack-clash-protection" -fstack-clash-protection)
quorvel_harden(compile_flags COMPILE "^-fcf-protection" -fcf-protection)
quorvel_harden(link_flags LINK "relro" -Wl,-z,relro)
quorvel_harden(link_flags LINK "now" -Wl,-z,now)

# Fortified calls need the optimiser, which every build type but Debug runs.
list(TRANSFORM compile_flags REPLACE "^(-D_FORTIFY_SOURCE.*)$" "$<$<NOT:$<CONFIG:Debug>>:\\1>")
target_compile_options(quorvel_options INTERFACE ${compile_flags})
target_link_options(quorvel_options INTERFACE ${link_flags})
list(JOIN compile_flags " " shown)
list(JOIN link_flags " " linked)
message(STATUS "Hardening: ${shown} ${linked}")

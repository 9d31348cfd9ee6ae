# Writes the header that names the commit a build is made from, and its date, and rewrites it only when
# they change, so a build after a new commit compiles what uses them again and a build without one
# compiles nothing:
#   cmake -DSOURCE=<source tree> -DOUTPUT=<header> [-DGIT=<git>] -P QuorvelCommit.cmake
# A source tree without git, or git without the tree's history, gives "unknown" and no date. The date
# is the commit's (UTC), or SOURCE_DATE_EPOCH's where the environment sets it.
set(commit unknown)
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(GIT)
    execute_process(COMMAND ${GIT} -C ${SOURCE} log -1 --format=%h%n%ct --abbrev=7
                    OUTPUT_VARIABLE head RESULT_VARIABLE failed ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT failed AND head MATCHES "^([0-9a-f]+)\n([0-9]+)$")
        set(commit ${CMAKE_MATCH_1})
        if(epoch STREQUAL "")
            set(epoch ${CMAKE_MATCH_2})
        endif()
    endif()
endif()
set(date "")
if(NOT epoch STREQUAL "")
    set(ENV{SOURCE_DATE_EPOCH} ${epoch}) # string(TIMESTAMP) gives that time
    string(TIMESTAMP date "%Y-%m-%d" UTC)
endif()
file(CONFIGURE OUTPUT ${OUTPUT} CONTENT "// The commit this build is made from; written by cmake/QuorvelCommit.cmake.
#pragma once
#define QUORVEL_COMMIT \"${commit}\"
#define QUORVEL_COMMIT_DATE \"${date}\"
" @ONLY)

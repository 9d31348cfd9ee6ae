# Writes the header that names the commit a build is made from, and rewrites it only when that commit
# changes, so a build after a new commit compiles one file again and a build without one compiles none:
#   cmake -DSOURCE=<source tree> -DOUTPUT=<header> [-DGIT=<git>] -P QuorvelCommit.cmake
# A source tree without git, or git without the tree's history, gives "unknown".
set(commit unknown)
if(GIT)
    execute_process(COMMAND ${GIT} -C ${SOURCE} rev-parse --short=7 HEAD
                    OUTPUT_VARIABLE head RESULT_VARIABLE failed ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT failed AND head MATCHES "^[0-9a-f]+$")
        set(commit ${head})
    endif()
endif()
file(CONFIGURE OUTPUT ${OUTPUT} CONTENT "// The commit this build is made from; written by cmake/QuorvelCommit.cmake.
#pragma once
#define QUORVEL_COMMIT \"${commit}\"
" @ONLY)

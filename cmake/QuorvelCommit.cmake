# The commit a build is made from and its date (YYYY-MM-DD, UTC): the commit's, or SOURCE_DATE_EPOCH's
# where the environment sets it. A source tree without git, or git without the tree's history, gives
# "unknown" and the date of SOURCE_DATE_EPOCH or none.
#   quorvel_commit_of(<source tree> <git or empty> <commit variable> <date variable>)
function(quorvel_commit_of source git commit_var date_var)
    set(commit unknown)
    set(epoch "$ENV{SOURCE_DATE_EPOCH}")
    if(git)
        execute_process(COMMAND ${git} -C ${source} log -1 --format=%h%n%ct --abbrev=7
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
    set(${commit_var} ${commit} PARENT_SCOPE)
    set(${date_var} "${date}" PARENT_SCOPE)
endfunction()

# As a script, writes the header that names them, rewritten only when they change, so a build after a
# new commit compiles what uses them again and a build without one compiles nothing:
#   cmake -DSOURCE=<source tree> -DOUTPUT=<header> [-DGIT=<git>] -P QuorvelCommit.cmake
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    quorvel_commit_of(${SOURCE} "${GIT}" commit date)
    file(CONFIGURE OUTPUT ${OUTPUT} CONTENT "// The commit this build is made from; written by cmake/QuorvelCommit.cmake.
#pragma once
#define QUORVEL_COMMIT \"${commit}\"
#define QUORVEL_COMMIT_DATE \"${date}\"
" @ONLY)
endif()

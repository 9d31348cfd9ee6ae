# Warnings are errors everywhere; sanitizers on request.
add_library(quorvel_options INTERFACE)
target_compile_options(quorvel_options INTERFACE -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor)
if(WIN32)
    # ANSI Win32 calls throughout; static runtime so the programs run under Wine without extra DLLs.
    target_compile_definitions(quorvel_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
    target_link_options(quorvel_options INTERFACE -static -static-libgcc -static-libstdc++)
endif()
if(QUORVEL_SANITIZE)
    target_compile_options(quorvel_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                     -fno-sanitize-recover=all)
    target_link_options(quorvel_options INTERFACE -fsanitize=address,undefined)
    # The plain paths that machines without the vector units take; the other builds test those.
    target_compile_definitions(quorvel_options INTERFACE QUORVEL_PORTABLE)
endif()
if(QUORVEL_FUZZ)
    # Coverage for libFuzzer in every library the fuzz targets link.
    target_compile_options(quorvel_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    target_link_options(quorvel_options INTERFACE -fsanitize=address,undefined)
endif()

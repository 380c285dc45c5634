# One interface target that every faxdesk target links: warnings, Qt strictness, sanitizers.
add_library(faxdesk_options INTERFACE)
target_compile_options(faxdesk_options INTERFACE
    -Wall -Wextra -Wnon-virtual-dtor -Wold-style-cast $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
target_compile_definitions(faxdesk_options INTERFACE
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING)
# GCC 12 reports std::string assignments as overlapping copies at -O3 (-Wrestrict, GCC bug 105651).
target_compile_options(faxdesk_options INTERFACE
    $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>)
if(FAXDESK_WERROR)
    target_compile_options(faxdesk_options INTERFACE -Werror)
endif()
if(FAXDESK_SANITIZE)
    target_compile_options(faxdesk_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                     -fno-sanitize-recover=undefined)
    target_link_options(faxdesk_options INTERFACE -fsanitize=address,undefined)
endif()
if(FAXDESK_BUILD_FUZZ)
    # Every library gets the fuzzer's coverage and the sanitizers; the fuzz targets add its main.
    target_compile_options(faxdesk_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                                                     -fno-sanitize-recover=undefined -fno-omit-frame-pointer
                                                     -fsanitize-coverage-ignorelist=${PROJECT_SOURCE_DIR}/fuzz/coverage-ignore.txt)
    target_link_options(faxdesk_options INTERFACE -fsanitize=address,undefined)
endif()

# The fax page file writer against libtiff's fax2tiff on the same 200 pages of T.4 data.
add_executable(bench_fax_writer ${CMAKE_CURRENT_LIST_DIR}/bench_fax_writer.cpp)
target_link_libraries(bench_fax_writer PRIVATE faxdesk_fax faxdesk_options)
target_compile_definitions(bench_fax_writer PRIVATE FAXDESK_PAGES_DIR="${CMAKE_SOURCE_DIR}/tests/data/pages")

# The fax page file writer as a process of its own (faxdesk-convert), and its benchmark against
# libtiff's fax2tiff on the same 200 pages.
add_executable(faxdesk-convert ${CMAKE_CURRENT_LIST_DIR}/faxdesk_convert.cpp)
target_link_libraries(faxdesk-convert PRIVATE faxdesk_fax faxdesk_options)
add_executable(bench_fax_writer ${CMAKE_CURRENT_LIST_DIR}/bench_fax_writer.cpp ${CMAKE_CURRENT_LIST_DIR}/BenchRow.h)
target_link_libraries(bench_fax_writer PRIVATE faxdesk_options)
target_compile_definitions(bench_fax_writer PRIVATE FAXDESK_PAGES_DIR="${CMAKE_SOURCE_DIR}/tests/data/pages")

# PDF export of a 20-page fine fax against libtiff's tiff2pdf on the same page file.
add_executable(bench_pdf_export ${CMAKE_CURRENT_LIST_DIR}/bench_pdf_export.cpp ${CMAKE_CURRENT_LIST_DIR}/BenchRow.h)
target_link_libraries(bench_pdf_export PRIVATE faxdesk_fax faxdesk_options)
target_compile_definitions(bench_pdf_export PRIVATE FAXDESK_PAGES_DIR="${CMAKE_SOURCE_DIR}/tests/data/pages")

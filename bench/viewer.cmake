# The built-in fax viewer: a 20-page fine fax from the window's creation to its first painted page.
if(FAXDESK_BUILD_GUI AND TARGET faxdesk_testsupport)
    add_executable(bench_fax_viewer ${CMAKE_CURRENT_LIST_DIR}/bench_fax_viewer.cpp ${CMAKE_CURRENT_LIST_DIR}/BenchRow.h)
    target_link_libraries(bench_fax_viewer PRIVATE faxdesk_ui_viewer faxdesk_testsupport faxdesk_options)
endif()

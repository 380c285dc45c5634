# The windows: loading 10,000 records into the list, start-up to the first painted main window, the
# idle main window.
if(FAXDESK_BUILD_GUI)
    add_executable(bench_window ${CMAKE_CURRENT_LIST_DIR}/bench_window.cpp ${CMAKE_CURRENT_LIST_DIR}/BenchRow.h)
    target_link_libraries(bench_window PRIVATE faxdesk_app faxdesk_options)
endif()

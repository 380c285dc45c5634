# The profile file and the fax record store.
add_executable(bench_records ${CMAKE_CURRENT_LIST_DIR}/bench_records.cpp)
target_link_libraries(bench_records PRIVATE faxdesk_fax benchmark::benchmark benchmark::benchmark_main faxdesk_options)

# The read command on a 10-page fax over a pseudo-terminal against quorra-modem-sim: wall time
# against its budget and processor time.
add_executable(bench_retrieval ${CMAKE_CURRENT_LIST_DIR}/bench_retrieval.cpp ${CMAKE_CURRENT_LIST_DIR}/BenchSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/BenchRow.h)
target_link_libraries(bench_retrieval PRIVATE faxdesk_core faxdesk_options)
target_compile_definitions(bench_retrieval PRIVATE
    FAXDESK_SIM_EXECUTABLE="$<TARGET_FILE:quorra-modem-sim>"
    FAXDESK_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
add_dependencies(bench_retrieval quorra-modem-sim)

# The read command when the line goes in the middle of a later page: how long it takes to end and
# the processor time it spends meanwhile.
add_executable(bench_port_gone ${CMAKE_CURRENT_LIST_DIR}/bench_port_gone.cpp ${CMAKE_CURRENT_LIST_DIR}/BenchSupport.h)
target_link_libraries(bench_port_gone PRIVATE faxdesk_core faxdesk_options)
target_compile_definitions(bench_port_gone PRIVATE
    FAXDESK_SIM_EXECUTABLE="$<TARGET_FILE:quorra-modem-sim>"
    FAXDESK_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
add_dependencies(bench_port_gone quorra-modem-sim)

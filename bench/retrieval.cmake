# The read command on a 10-page fax over a pseudo-terminal against quorra-modem-sim: wall time
# against its budget and processor time.
add_executable(bench_retrieval ${CMAKE_CURRENT_LIST_DIR}/bench_retrieval.cpp ${CMAKE_CURRENT_LIST_DIR}/BenchSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/BenchRow.h)
target_link_libraries(bench_retrieval PRIVATE faxdesk_core faxdesk_options)
target_compile_definitions(bench_retrieval PRIVATE
    FAXDESK_SIM_EXECUTABLE="$<TARGET_FILE:quorra-modem-sim>"
    FAXDESK_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
add_dependencies(bench_retrieval quorra-modem-sim)

# Processor time of the modem link's waits over a pseudo-terminal against quorra-modem-sim.
add_executable(bench_modem ${CMAKE_CURRENT_LIST_DIR}/bench_modem.cpp ${CMAKE_CURRENT_LIST_DIR}/BenchSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/BenchRow.h)
target_link_libraries(bench_modem PRIVATE faxdesk_core faxdesk_options)
target_compile_definitions(bench_modem PRIVATE FAXDESK_SIM_EXECUTABLE="$<TARGET_FILE:quorra-modem-sim>")
add_dependencies(bench_modem quorra-modem-sim)

# A short libFuzzer run of one target on a copy of its seed corpus.
file(REMOVE_RECURSE ${WORK})
file(COPY ${CORPUS}/ DESTINATION ${WORK})
execute_process(COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
                        -print_final_stats=1 ${WORK}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "fuzzer ${FUZZER} failed: ${result}")
endif()

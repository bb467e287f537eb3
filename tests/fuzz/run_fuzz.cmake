# One bounded fuzz run: FUZZER over its seed CORPUS for RUNS inputs from a fixed seed. New
# inputs go to a fresh folder under WORK, never into the seed corpus; a crash is written
# there too and fails the test.
foreach(variable FUZZER CORPUS WORK RUNS)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "run_fuzz.cmake needs -D${variable}=...")
    endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/new" "${WORK}/crashes")
execute_process(
    COMMAND "${FUZZER}" -seed=1 -runs=${RUNS} -max_len=4096 -timeout=20 -rss_limit_mb=1024
            -print_final_stats=1 "-artifact_prefix=${WORK}/crashes/" "${WORK}/new" "${CORPUS}"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(GLOB crashes "${WORK}/crashes/*")
    message(FATAL_ERROR "fuzz run failed (${result}); reproducers: ${crashes}")
endif()

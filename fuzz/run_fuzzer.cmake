# Runs one fuzz target for SECONDS on a fresh copy of its seeds: new inputs go
# to WORK/corpus, which libFuzzer gets first and so writes to, and crash files
# to WORK/artifacts; the committed SEEDS directory, passed second, is only
# read. Fails when the target finds an input that fails.
foreach(var FUZZER SEEDS WORK SECONDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_fuzzer.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/artifacts")
# Slow inputs (a catalogue at its entry limit) get less of the time.
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
          -entropic_scale_per_exec_time=1 -print_final_stats=1
          "-artifact_prefix=${WORK}/artifacts/" "${WORK}/corpus" "${SEEDS}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(GLOB found "${WORK}/artifacts/*")
  message(FATAL_ERROR "${FUZZER} failed (${result}); failing inputs: ${found}")
endif()

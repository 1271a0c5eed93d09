# cmake -P count_cases.cmake: fails unless the test program lists exactly
# EXPECTED cases for FILTER, so that a renamed case cannot drop out of a
# filtered suite unseen. Variables: EMULATOR, PROGRAM, FILTER, EXPECTED.
execute_process(COMMAND ${EMULATOR} ${PROGRAM} --gtest_list_tests "--gtest_filter=${FILTER}"
    OUTPUT_VARIABLE listing RESULT_VARIABLE result)
string(REGEX MATCHALL "\n  [A-Za-z0-9_]+" cases "\n${listing}")
list(LENGTH cases found)
if(NOT result EQUAL 0 OR NOT found EQUAL EXPECTED)
    message(FATAL_ERROR "${PROGRAM} lists ${found} of the ${EXPECTED} cases named "
        "(exit ${result}):\n${listing}")
endif()
message(STATUS "${found} cases")

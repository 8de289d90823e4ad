# Run by CTest before it tests (see rure_add_suite_tests in CMakeLists.txt):
# lists the test suites of one test program and writes one CTest test per
# suite into a file for CTest to include. The cases of a suite run in one
# process: starting a process costs far more than most unit tests take (half
# a second in the sanitizer build), and the cases of a suite share a fixture
# anyway.
#
# Expects PROGRAM, WORKING_DIRECTORY, OUTPUT and PROPERTIES (the properties of
# every suite's test, as a list for set_tests_properties).

execute_process(
    COMMAND "${PROGRAM}" --gtest_list_tests
    WORKING_DIRECTORY "${WORKING_DIRECTORY}"
    TIMEOUT 60
    OUTPUT_VARIABLE listing
    ERROR_VARIABLE errors
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --gtest_list_tests failed (${result}):\n${listing}\n${errors}")
endif()

# "Suite." or "Instance/Suite/0.  # TypeParam = ..." start a suite; its cases
# follow, indented.
string(REPLACE ";" "\\;" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(suites "")
foreach(line IN LISTS lines)
    if(line MATCHES "^([^ #][^ ]*)\\.( .*)?$")
        list(APPEND suites "${CMAKE_MATCH_1}")
    endif()
endforeach()
list(REMOVE_DUPLICATES suites)

set(script "")
foreach(suite IN LISTS suites)
    string(APPEND script
        "add_test([==[${suite}]==] [==[${PROGRAM}]==] [==[--gtest_filter=${suite}.*]==])\n"
        "set_tests_properties([==[${suite}]==] PROPERTIES WORKING_DIRECTORY [==[${WORKING_DIRECTORY}]==]")
    foreach(property IN LISTS PROPERTIES)
        string(APPEND script " [==[${property}]==]")
    endforeach()
    string(APPEND script ")\n")
endforeach()
file(WRITE "${OUTPUT}" "${script}")

# Runs COMMAND (a list) and checks its exit status and what it wrote to standard error: any
# other status, a crash included, or an error text that does not match MESSAGE (a regular
# expression) fails the test.
#   cmake "-DCOMMAND=program;arg;..." -DSTATUS=2 "-DMESSAGE=regex" -P expect_exit.cmake
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE status OUTPUT_VARIABLE output
                ERROR_VARIABLE error)
if(NOT status STREQUAL STATUS)
  message(FATAL_ERROR "exit status \"${status}\", expected ${STATUS}; standard error:\n${error}")
endif()
if(NOT error MATCHES "${MESSAGE}")
  message(FATAL_ERROR "standard error does not match \"${MESSAGE}\":\n${error}")
endif()

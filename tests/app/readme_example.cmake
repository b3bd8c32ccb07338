# Runs a worked example of the README as a reader would: the command line shown there, on a copy of
# the examples folder, then checks what it answers and a line of a file it writes, both as the
# README quotes them; the examples give no message. Variables: CLI, README, EXAMPLES, WORK (the
# copy), COMMAND (forward or back), RESULT, FILE and LINE.
file(READ "${README}" readme)

# The indented line that starts the program with COMMAND, and the lines its backslashes continue.
string(REGEX MATCH "\n    \\.\\./src/app/vqd2zavek-cli ${COMMAND} ([^\n]*\\\\\n)*[^\n]*" shown
       "${readme}")
if(NOT shown)
    message(FATAL_ERROR "The README shows no example of vqd2zavek-cli ${COMMAND}")
endif()
string(REGEX REPLACE "\\\\\n" " " shown "${shown}")
separate_arguments(arguments UNIX_COMMAND "${shown}")
list(POP_FRONT arguments) # the program, as reached from the README's folder

foreach(quoted IN ITEMS "It answers `${RESULT}`" "`${LINE}`")
    string(FIND "${readme}" "${quoted}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "The README no longer says ${quoted}")
    endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(COPY "${EXAMPLES}/" DESTINATION "${WORK}")
execute_process(COMMAND "${CLI}" ${arguments} WORKING_DIRECTORY "${WORK}"
                RESULT_VARIABLE status OUTPUT_VARIABLE printed ERROR_VARIABLE messages)
if(NOT status EQUAL 0 OR NOT printed STREQUAL "${RESULT}\n" OR NOT messages STREQUAL "")
    message(FATAL_ERROR "vqd2zavek-cli ${arguments}\nexit status ${status}, printed:\n"
                        "${printed}${messages}")
endif()
# Compared as bytes: read as text, the file would lose its carriage returns.
file(READ "${WORK}/${FILE}" written HEX)
string(HEX "\n${LINE}\r\n" line)
string(FIND "0a${written}" "${line}" at)
math(EXPR odd "${at} % 2")
if(at EQUAL -1 OR odd)
    message(FATAL_ERROR "No line ${LINE} in ${WORK}/${FILE}")
endif()

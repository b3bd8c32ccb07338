# Runs a worked example of the README as a reader would: the command line shown there, on a copy of
# the examples folder, then checks what it answers and a line of a file it writes, both as the
# README quotes them; the examples give no message. Variables: CLI, README, EXAMPLES, WORK (the
# copy), COMMAND (forward or back), RESULT, FILE and LINE. For a build for another system, RUNNER
# runs the program (its words separated by |), and REFERENCE, when given, is this system's build of
# the program, whose files every file written must equal byte for byte, the log's date aside.
# The program of a release archive, unpacked, in place of the build's (scripts/test-windows-zip).
if(DEFINED ENV{VQD_EXAMPLE_CLI})
    set(CLI "$ENV{VQD_EXAMPLE_CLI}")
endif()
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

string(REPLACE "|" ";" runner "${RUNNER}")

# Runs `program` on a fresh copy of the examples in `work`.
function(run_example work program)
    file(REMOVE_RECURSE "${work}")
    file(COPY "${EXAMPLES}/" DESTINATION "${work}")
    execute_process(COMMAND ${program} ${arguments} WORKING_DIRECTORY "${work}"
                    RESULT_VARIABLE status OUTPUT_VARIABLE printed ERROR_VARIABLE messages)
    if(NOT status EQUAL 0 OR NOT printed STREQUAL "${RESULT}\n" OR NOT messages STREQUAL "")
        message(FATAL_ERROR "${program} ${arguments}\nexit status ${status}, printed:\n"
                            "${printed}${messages}")
    endif()
endfunction()

run_example("${WORK}" "${runner};${CLI}")
# Compared as bytes: read as text, the file would lose its carriage returns.
file(READ "${WORK}/${FILE}" written HEX)
string(HEX "\n${LINE}\r\n" line)
string(FIND "0a${written}" "${line}" at)
math(EXPR odd "${at} % 2")
if(at EQUAL -1 OR odd)
    message(FATAL_ERROR "No line ${LINE} in ${WORK}/${FILE}")
endif()

if(NOT REFERENCE)
    return()
endif()
run_example("${WORK}-reference" "${REFERENCE}")
file(GLOB written RELATIVE "${WORK}" "${WORK}/*")
file(GLOB expected RELATIVE "${WORK}-reference" "${WORK}-reference/*")
if(NOT written STREQUAL expected)
    message(FATAL_ERROR "Files written: ${written}\nby this system's build: ${expected}")
endif()
foreach(name IN LISTS written)
    file(READ "${WORK}/${name}" bytes HEX)
    file(READ "${WORK}-reference/${name}" reference HEX)
    # The log's second line is the date and time of the run.
    string(HEX "\r\nDate/Time: " dateLine)
    foreach(variable bytes reference)
        string(REGEX REPLACE "${dateLine}(3[0-9]|2d|20|3a)*0d0a" "" ${variable} "${${variable}}")
    endforeach()
    if(NOT bytes STREQUAL reference)
        message(FATAL_ERROR "${WORK}/${name} differs from the file this system's build writes")
    endif()
endforeach()

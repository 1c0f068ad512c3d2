# Configures the scratch project once for each case and checks that the layer rule accepts
# or refuses it, and that a refusal names the link.
#   cmake -DLAYERS=... -DSCRATCH=... -DWORK=... -P check_layers.cmake
# Each case: NAME|LINKS (FROM:TO:HOW, comma-separated)|LATE_LINK|accepted or the text of the
# refusal.
cmake_minimum_required(VERSION 3.25)
set(cases
    "down the floors|middle:low:INTERFACE,top:middle:INTERFACE,top:low:INTERFACE||accepted"
    "a library that is no layer|low:plain:INTERFACE,plain:top:INTERFACE||accepted"
    "one floor up|low:middle:INTERFACE||low (level 1) links middle (level 2)"
    "two floors up|low:top:INTERFACE||low (level 1) links top (level 3)"
    "sideways on one floor|middle:high:INTERFACE||middle (level 2) links high (level 2)"
    "two of one floor under one|middle:low:INTERFACE,high:low:INTERFACE,top:middle:INTERFACE,top:high:INTERFACE||accepted"
    "up after the level was recorded||middle:top|middle (level 2) links top (level 3)"
)
file(REMOVE_RECURSE "${WORK}")
set(failures 0)
foreach(case IN LISTS cases)
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 name)
    list(GET case 1 links)
    list(GET case 2 late)
    list(GET case 3 expected)
    string(REPLACE "," ";" links "${links}")
    string(MAKE_C_IDENTIFIER "${name}" dir)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -S ${SCRATCH} -B ${WORK}/${dir} -DLAYERS=${LAYERS}
            "-DLINKS=${links}" -DLATE_LINK=${late}
        RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    string(REPLACE "\n" " " err "${err}")
    if(expected STREQUAL "accepted")
        if(NOT result EQUAL 0)
            message(SEND_ERROR "${name}: refused, should be accepted: ${err}")
            math(EXPR failures "${failures} + 1")
        endif()
    elseif(result EQUAL 0)
        message(SEND_ERROR "${name}: accepted, should be refused")
        math(EXPR failures "${failures} + 1")
    else()
        string(FIND "${err}" "${expected}" at)
        if(at EQUAL -1)
            message(SEND_ERROR "${name}: refused without naming '${expected}': ${err}")
            math(EXPR failures "${failures} + 1")
        endif()
    endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
if(failures)
    message(FATAL_ERROR "${failures} case(s) of the layer rule went wrong")
endif()

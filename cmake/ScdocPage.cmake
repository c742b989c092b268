# cmake -DSCDOC=<scdoc> -DINPUT=<page.scd> -DOUTPUT=<page.N> -P ScdocPage.cmake
# scdoc reads its source on standard input and writes roff to standard output.
execute_process(COMMAND ${SCDOC} INPUT_FILE ${INPUT} OUTPUT_FILE ${OUTPUT}.tmp RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(REMOVE ${OUTPUT}.tmp)
    message(FATAL_ERROR "scdoc failed on ${INPUT}: ${result}")
endif()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})

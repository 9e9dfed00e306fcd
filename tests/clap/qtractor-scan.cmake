# Qtractor's own plug-in scanner (the program it runs to index plug-ins) reads calyx2.clap and must
# describe it as an instrument: no audio in, two out, one MIDI in, 69 parameters, a panel.
#   cmake -DSCANNER=... -DCLAP=... -DSCRATCH=... -P qtractor-scan.cmake
file(MAKE_DIRECTORY ${SCRATCH})
file(WRITE ${SCRATCH}/scan-request.txt "CLAP:${CLAP}\n")
execute_process(COMMAND ${SCANNER} INPUT_FILE ${SCRATCH}/scan-request.txt OUTPUT_VARIABLE answer
                ERROR_VARIABLE complaints TIMEOUT 60 RESULT_VARIABLE status)
if(NOT answer MATCHES "CLAP\\|Calyx2\\|0:2\\|1:0\\|69:0\\|GUI[^|]*\\|")
  message(FATAL_ERROR "Qtractor's scanner answered (exit ${status}):\n${answer}\n${complaints}")
endif()

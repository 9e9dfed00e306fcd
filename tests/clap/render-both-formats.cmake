# calyx2-render plays its demo through the VST 2.4 and the CLAP build with the same program and
# settings; the two files must be equal byte for byte. They are .au files: a float WAV carries a PEAK
# chunk stamped with the time it was written, which differs between two renders a second apart.
#   cmake -DRENDER=... -DVST=... -DCLAP=... -DSCRATCH=... -P render-both-formats.cmake
file(MAKE_DIRECTORY ${SCRATCH})
foreach(format VST CLAP)
  execute_process(COMMAND ${RENDER} -q -p ${${format}} --program 9 --set D_LVL=0.4 --set C_LVL=0.7 --tempo 97
                          -s 44100 -b 300 -d float -o ${SCRATCH}/${format}.au
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "calyx2-render failed with the ${format} build (exit ${status})")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SCRATCH}/VST.au ${SCRATCH}/CLAP.au RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "the CLAP build's render differs from the VST 2.4 build's")
endif()

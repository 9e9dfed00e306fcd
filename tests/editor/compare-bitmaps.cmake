# Draws the panel bitmaps afresh into SCRATCH and fails if any differs from COMMITTED.
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
execute_process(COMMAND "${GENERATOR}" "${SCRATCH}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the bitmap generator failed")
endif()
foreach(name knob-mask knob-strip toggle three-way indicator background)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${SCRATCH}/${name}.bmp" "${COMMITTED}/${name}.bmp"
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "resources/${name}.bmp is not what the generator draws; rebuild calyx2_regenerate_bitmaps")
  endif()
endforeach()

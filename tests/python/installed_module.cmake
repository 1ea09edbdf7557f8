# Installs the build into PREFIX and runs the installed module there: it must
# be the installed package that is imported, loading the installed block.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${status})")
endif()
set(check [=[
import sys, numpy, quorbelin
prefix = sys.argv[1]
assert quorbelin.__file__.startswith(prefix), quorbelin.__file__
print(quorbelin.delay(numpy.arange(6.0), 1.5).tolist())
]=])
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${PREFIX}/${PACKAGES} ${PYTHON} -c "${check}" ${PREFIX}
  WORKING_DIRECTORY ${PREFIX}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR NOT output STREQUAL "[0.0, 0.0, 0.5, 1.5, 2.5, 3.5]\n")
  message(FATAL_ERROR "the installed module failed (${status}): ${output}${errors}")
endif()

# The Linux side of the real JVMs that tests run, made in DIR with JLINK:
# DIR/base, a runtime of java.base alone, which like a 1.0-generation VM
# lacks the 1.1 event classes, and DIR/recorder.so, which a JVM preloads to
# record the whole status it hands to exit() (Linux keeps 8 bits of it).
function(wendle_linux_jvm dir jlink)
  find_program(HOST_CC NAMES gcc cc REQUIRED)
  set(recorder ${CMAKE_SOURCE_DIR}/tests/support/exit_status_recorder.c)
  add_custom_command(OUTPUT ${dir}/recorder.so ${dir}/base/release
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${dir}/base
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${HOST_CC} -shared -fPIC -o ${dir}/recorder.so ${recorder}
    COMMAND ${jlink} --add-modules java.base --output ${dir}/base
    DEPENDS ${recorder} VERBATIM)
endfunction()

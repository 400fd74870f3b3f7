# wendle_bootstrap_class_source(<var>): adds, in the calling directory, the
# command that turns the committed bootstrap/WendleJar.class into a C++
# source defining wendle_pack::kBootstrapClass (bootstrap_class.h), and sets
# <var> to that source. Used by wendle-pack's library and by the fuzzer,
# which builds the library's sources again.
get_filename_component(_wendle_tree "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)

function(wendle_bootstrap_class_source var)
  set(_class ${_wendle_tree}/bootstrap/WendleJar.class)
  set(_script ${_wendle_tree}/cmake/embed_file.cmake)
  set(_output ${CMAKE_CURRENT_BINARY_DIR}/bootstrap_class_bytes.cpp)
  add_custom_command(
    OUTPUT ${_output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${_class} -DOUTPUT=${_output} -DHEADER=bootstrap_class.h
            -DNAMESPACE=wendle_pack -DNAME=kBootstrapClass -P ${_script}
    DEPENDS ${_class} ${_script}
    COMMENT "Embedding bootstrap/WendleJar.class"
    VERBATIM)
  set(${var} ${_output} PARENT_SCOPE)
endfunction()

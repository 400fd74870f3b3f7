# The class files committed to the tree (the probe in res/, the jar bootstrap
# in bootstrap/) are what the Windows builds embed, since they need no JDK;
# each must stay what its source builds to.
#
# wendle_check_committed_class(NAME BUILT COMMITTED SOURCE WHAT) makes the
# target NAME_check, which compares the class built here (BUILT, made by the
# target NAME) with the committed one, and is part of ALL in the release
# build, which must never embed a class its source no longer gives; in the
# host build the same comparison is the test NAME_matches_committed_copy.
function(wendle_check_committed_class name built committed source what)
  set(_check ${CMAKE_COMMAND} -DBUILT=${built} -DCOMMITTED=${committed} -DSOURCE=${source}
      -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/check_committed_class.cmake)
  set(_all)
  if(WENDLE_FLAVOUR STREQUAL "release")
    set(_all ALL)
  endif()
  add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/committed_class.checked
    COMMAND ${_check}
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_CURRENT_BINARY_DIR}/committed_class.checked
    DEPENDS ${built} ${committed} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/check_committed_class.cmake
    COMMENT "Checking ${what} against its source"
    VERBATIM)
  add_custom_target(${name}_check ${_all} DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/committed_class.checked)
  add_dependencies(${name}_check ${name})
  if(BUILD_TESTING AND WENDLE_FLAVOUR STREQUAL "host")
    add_test(NAME ${name}_matches_committed_copy COMMAND ${_check})
  endif()
endfunction()

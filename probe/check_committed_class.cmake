# cmake -DBUILT=<built class> -DCOMMITTED=<res/TvqVersion.class> -P check_committed_class.cmake
#
# Fails when the class embedded in the launcher is not the one its source
# builds to. A different JDK may compile the same source differently; then
# rebuild, check the class on the old VMs, and commit the new copy.
if(NOT EXISTS "${BUILT}")
  message(FATAL_ERROR "${BUILT} is missing: build the target probe_class first")
endif()
if(NOT EXISTS "${COMMITTED}")
  message(FATAL_ERROR "${COMMITTED} is missing: copy ${BUILT} there")
endif()
file(SHA256 "${BUILT}" built_hash)
file(SHA256 "${COMMITTED}" committed_hash)
if(NOT built_hash STREQUAL committed_hash)
  message(FATAL_ERROR
    "${COMMITTED} differs from the class built from the probe source "
    "(${BUILT}). Copy the built class over the committed one if the source "
    "change is intended.")
endif()

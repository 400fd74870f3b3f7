# cmake -DBUILT=<built class> -DCOMMITTED=<committed class> -DSOURCE=<its .java>
#       -P check_committed_class.cmake
#
# Fails when a committed class file (the probe that the launcher embeds, the
# bootstrap that wendle-pack embeds) is not the one its source builds to. A
# different JDK may compile the same source differently; then rebuild, check
# the class on the VMs it must run on, and commit the new copy.
if(NOT EXISTS "${BUILT}")
  message(FATAL_ERROR "${BUILT} is missing: build it first")
endif()
if(NOT EXISTS "${COMMITTED}")
  message(FATAL_ERROR "${COMMITTED} is missing: copy ${BUILT} there")
endif()
file(SHA256 "${BUILT}" built_hash)
file(SHA256 "${COMMITTED}" committed_hash)
if(NOT built_hash STREQUAL committed_hash)
  message(FATAL_ERROR
    "${COMMITTED} differs from the class built from ${SOURCE} (${BUILT}). "
    "Copy the built class over the committed one if the source change is intended.")
endif()

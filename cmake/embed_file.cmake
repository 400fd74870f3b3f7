# cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DHEADER=<header> -DNAMESPACE=<ns>
#       -DNAME=<array> -P embed_file.cmake
#
# Writes a C++ source that defines the bytes of INPUT as
#   const uint8_t NAMESPACE::NAME[]  and  const std::size_t NAMESPACE::NAMESize,
# as declared in HEADER. The output depends on the input's bytes alone, so
# builds stay reproducible, and it is replaced only when they change.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
# Sixteen bytes a line.
set(lines "")
set(offset 0)
while(offset LESS hex_length)
  string(SUBSTRING "${hex}" ${offset} 32 chunk)
  string(REGEX REPLACE "(..)" "0x\\1, " chunk "${chunk}")
  string(STRIP "${chunk}" chunk)
  string(APPEND lines "    ${chunk}\n")
  math(EXPR offset "${offset} + 32")
endwhile()
get_filename_component(input_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${input_name} by cmake/embed_file.cmake; do not edit.\n"
  "#include \"${HEADER}\"\n\n"
  "namespace ${NAMESPACE} {\n\n"
  "const uint8_t ${NAME}[] = {\n${lines}};\n"
  "const std::size_t ${NAME}Size = ${size};\n\n"
  "}  // namespace ${NAMESPACE}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")

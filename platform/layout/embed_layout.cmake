# vistrel_embed_layout(<target> <resource_file> <symbol>)
#
# Compiles <resource_file> (relative to the calling CMakeLists.txt, or
# absolute) into <target> as a constant
#     extern const std::string_view <symbol>;
# <symbol> may carry namespaces ("vistrel::resources::kMainWindowLayout").
# A header <last part of symbol>.h declaring it is generated and its folder
# added to the target's include path, so the target can
#     #include "kMainWindowLayout.h"
# The source is regenerated whenever the resource changes. Any bytes may be
# embedded (the start picture travels inside the layout text as hex).
# Script mode (cmake -P): write the source and the header.
if(CMAKE_SCRIPT_MODE_FILE)
  file(READ ${VISTREL_EMBED_INPUT} hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR byte_count "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  # Forty bytes per line keeps the generated file readable in a diff tool.
  string(REGEX REPLACE "(('\\\\x[0-9a-f][0-9a-f]',){40})" "\\1\n  " bytes "${bytes}")

  string(REGEX MATCH "^(.*)::[^:]+$" has_namespace "${VISTREL_EMBED_SYMBOL}")
  set(namespace_name "${CMAKE_MATCH_1}")
  string(REGEX REPLACE "^.*::" "" name "${VISTREL_EMBED_SYMBOL}")
  if(has_namespace)
    set(open_ns "namespace ${namespace_name} {\n")
    set(close_ns "}\n")
  else()
    set(open_ns "")
    set(close_ns "")
  endif()

  file(WRITE ${VISTREL_EMBED_HEADER}
    "// Generated from ${VISTREL_EMBED_INPUT}; do not edit.\n#pragma once\n\n#include <string_view>\n\n"
    "${open_ns}extern const std::string_view ${name};\n${close_ns}")
  file(WRITE ${VISTREL_EMBED_SOURCE}
    "// Generated from ${VISTREL_EMBED_INPUT}; do not edit.\n#include \"${name}.h\"\n\n"
    "namespace {\nconst char kBytes[] = {\n  ${bytes}'\\0'};\n}  // namespace\n\n"
    "${open_ns}extern const std::string_view ${name}{kBytes, ${byte_count}};\n${close_ns}")
  return()
endif()

set(VISTREL_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/embed_layout.cmake CACHE INTERNAL "")

function(vistrel_embed_layout target resource_file symbol)
  get_filename_component(resource ${resource_file} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  string(REGEX REPLACE "^.*::" "" short_name "${symbol}")
  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/embedded/${target})
  set(source ${out_dir}/${short_name}.cpp)
  set(header ${out_dir}/${short_name}.h)
  add_custom_command(
    OUTPUT ${source} ${header}
    COMMAND ${CMAKE_COMMAND} -DVISTREL_EMBED_INPUT=${resource} -DVISTREL_EMBED_SOURCE=${source}
            -DVISTREL_EMBED_HEADER=${header} -DVISTREL_EMBED_SYMBOL=${symbol}
            -P ${VISTREL_EMBED_SCRIPT}
    DEPENDS ${resource} ${VISTREL_EMBED_SCRIPT}
    COMMENT "Embedding ${resource_file} as ${symbol}"
    VERBATIM)
  target_sources(${target} PRIVATE ${source} ${header})
  target_include_directories(${target} PRIVATE ${out_dir})
endfunction()


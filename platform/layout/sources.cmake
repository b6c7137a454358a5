# The stored window layout: values, components, class registry, text reader
# and writer, and embedding a layout text into a target at build time.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/value.h
  ${CMAKE_CURRENT_LIST_DIR}/value.cpp
  ${CMAKE_CURRENT_LIST_DIR}/component.h
  ${CMAKE_CURRENT_LIST_DIR}/component.cpp
  ${CMAKE_CURRENT_LIST_DIR}/class_registry.h
  ${CMAKE_CURRENT_LIST_DIR}/class_registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/errors.h
  ${CMAKE_CURRENT_LIST_DIR}/stored_properties.h
  ${CMAKE_CURRENT_LIST_DIR}/stored_properties.cpp
  ${CMAKE_CURRENT_LIST_DIR}/layout_lexer.h
  ${CMAKE_CURRENT_LIST_DIR}/layout_lexer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/layout_parser.h
  ${CMAKE_CURRENT_LIST_DIR}/layout_parser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/layout_reader.h
  ${CMAKE_CURRENT_LIST_DIR}/layout_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/layout_writer.h
  ${CMAKE_CURRENT_LIST_DIR}/layout_writer.cpp
)

include(${CMAKE_CURRENT_LIST_DIR}/embed_layout.cmake)

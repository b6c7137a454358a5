target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/value.h
  ${CMAKE_CURRENT_LIST_DIR}/component.h
)

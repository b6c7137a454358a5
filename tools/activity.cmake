# vistrel-activity: the activity index and events of one hour folder from
# the command line.
add_executable(vistrel-activity ${CMAKE_CURRENT_LIST_DIR}/activity/main.cpp)
target_link_libraries(vistrel-activity PRIVATE activity CLI11::CLI11)

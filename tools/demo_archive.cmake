# vistrel-demo-archive: writes a small snapshot archive for trying out the
# viewer (see tools/demo_archive.cpp). Qt Gui only, no widgets; the folder
# names come from the archive layout of platform/.
add_executable(vistrel-demo-archive ${CMAKE_CURRENT_LIST_DIR}/demo_archive.cpp)
target_link_libraries(vistrel-demo-archive PRIVATE Qt6::Gui platform)

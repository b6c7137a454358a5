# make_test_card: draws the start picture (a television test card of our own
# design) and writes it as a baseline JFIF file. Run by hand; its output is
# committed as resources/test_card.jpg.
add_executable(make_test_card ${CMAKE_CURRENT_LIST_DIR}/make_test_card.cpp)
target_link_libraries(make_test_card PRIVATE picture Qt6::Gui)

# The result controls: the check list and its header, the category tree and the two detail
# boards. They read the record layouts of the record-listing library (record_model).
target_sources(retrievo_controls PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CHeaderCtrlCheck.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CListViewCheck1.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CTreeViewEx1.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CContactInfoBoard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CMsgInfoItem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CMsgInfoBoard.cpp)
target_link_libraries(retrievo_controls PUBLIC comctl32 msimg32 record_model)

# The boards' dialog templates travel with the other controls' templates.
target_sources(retrievo_controls_res PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ResultControls.rc)

# The result controls: the check list and its header, the category tree and the two detail
# boards. They read the record layouts of the program (app/RecordModel.h); only their own
# sources see that folder, so that its resource header does not shadow ours.
target_sources(retrievo_controls PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CHeaderCtrlCheck.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CListViewCheck1.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CTreeViewEx1.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CContactInfoBoard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CMsgInfoItem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CMsgInfoBoard.cpp)
set_source_files_properties(
  ${CMAKE_CURRENT_LIST_DIR}/CListViewCheck1.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CContactInfoBoard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CMsgInfoBoard.cpp
  PROPERTIES INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/app)
target_link_libraries(retrievo_controls PUBLIC comctl32 msimg32)

# The boards' dialog templates travel with the other controls' templates.
target_sources(retrievo_controls_res PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ResultControls.rc)

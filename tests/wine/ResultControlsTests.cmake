# Tests of the result controls (check list, category tree, contact and message boards),
# in one Windows program run under Wine, and a host that shows them with real content for
# screenshots (wine-results.sh).
add_executable(retrievo_result_controls_tests
  ${CMAKE_CURRENT_LIST_DIR}/TestMain.cpp ${CMAKE_CURRENT_LIST_DIR}/TestSupport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ResultTestSupport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ListViewTests.cpp ${CMAKE_CURRENT_LIST_DIR}/TreeViewTests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ContactBoardTests.cpp ${CMAKE_CURRENT_LIST_DIR}/MsgBoardTests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BenchmarkTests.cpp)
target_compile_options(retrievo_result_controls_tests PRIVATE ${RETRIEVO_WARNINGS})
target_link_libraries(retrievo_result_controls_tests PRIVATE retrievo_controls retrievo_controls_res gtest)
add_custom_command(TARGET retrievo_result_controls_tests POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:paddockc> $<TARGET_FILE_DIR:retrievo_result_controls_tests>
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/image $<TARGET_FILE_DIR:retrievo_result_controls_tests>/image)
add_test(NAME wine_result_controls COMMAND retrievo_result_controls_tests)
set_tests_properties(wine_result_controls PROPERTIES RESOURCE_LOCK retrievo_display TIMEOUT 300)

add_executable(results-host WIN32 ${CMAKE_CURRENT_LIST_DIR}/ResultsHost.cpp ${CMAKE_CURRENT_LIST_DIR}/ResultTestSupport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TestSupport.cpp)
target_compile_options(results-host PRIVATE ${RETRIEVO_WARNINGS})
target_link_options(results-host PRIVATE -municode)
target_link_libraries(results-host PRIVATE retrievo_controls retrievo_controls_res)
add_dependencies(results-host retrievo_result_controls_tests)

# The controls on screen, with the real pictures, clicked with the mouse; screenshots go to
# ${CMAKE_BINARY_DIR}/screenshots.
add_test(NAME wine_ui_results COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine-results.sh)
set_tests_properties(wine_ui_results PROPERTIES
  ENVIRONMENT "${RETRIEVO_WINE_ENV};RETRIEVO_DIST=${RETRIEVO_DIST};RETRIEVO_DRIVER=$<TARGET_FILE:retrievo-driver>;RETRIEVO_HOST=$<TARGET_FILE:controls-host>;RETRIEVO_RESULTS_HOST=$<TARGET_FILE:results-host>;RETRIEVO_SHOTS=${CMAKE_BINARY_DIR}/screenshots"
  RESOURCE_LOCK "retrievo_display;retrievo_single_instance" RUN_SERIAL TRUE TIMEOUT 600)

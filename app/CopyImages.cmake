# Copies the skin pictures from SRC to DST (only changed files); a missing SRC copies nothing.
if(EXISTS "${SRC}")
  file(GLOB pictures LIST_DIRECTORIES false "${SRC}/*")
  foreach(p IN LISTS pictures)
    get_filename_component(name "${p}" NAME)
    execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${p}" "${DST}/${name}")
  endforeach()
endif()

# The programs' icon inside their .exe files, so that Explorer, the task bar
# and the Start-menu entries show it. Made from the SVG artwork when the
# build is configured.
enable_language(RC)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(quellmark_ico ${CMAKE_BINARY_DIR}/quellmark.ico)
execute_process(
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/make-icon.py
        ${PROJECT_SOURCE_DIR}/packaging/quellmark.svg ${quellmark_ico}
    RESULT_VARIABLE icon_result)
if(NOT icon_result EQUAL 0)
    message(FATAL_ERROR "Could not make ${quellmark_ico} (needs rsvg-convert)")
endif()
file(WRITE ${CMAKE_BINARY_DIR}/quellmark-icon.rc "1 ICON \"${quellmark_ico}\"\n")
foreach(program quellmark quellmark-graph)
    target_sources(${program} PRIVATE ${CMAKE_BINARY_DIR}/quellmark-icon.rc)
endforeach()

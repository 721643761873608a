# Compiles each Windows-only source with MinGW for syntax only, against the
# Qt 5 headers, so that code built on Windows alone stays honest here.
# Inputs: COMPILER, QT_INCLUDE (Qt's include root), SOURCE_DIR, SOURCES (;-list), EXTRA_INCLUDES.
set(flags -std=c++17 -fsyntax-only -DUNICODE -D_UNICODE -DNOMINMAX -DWIN32_LEAN_AND_MEAN -Wno-attributes
    -Wall -Wextra -Werror -I${SOURCE_DIR} -I${QT_INCLUDE} -I${QT_INCLUDE}/QtCore -I${QT_INCLUDE}/QtGui
    -I${QT_INCLUDE}/QtWidgets -I${QT_INCLUDE}/QtNetwork)
# EXTRA_INCLUDES: more include folders, separated by "|".
if(EXTRA_INCLUDES)
    string(REPLACE "|" ";" extra "${EXTRA_INCLUDES}")
    foreach(folder IN LISTS extra)
        list(APPEND flags -I${folder})
    endforeach()
endif()
set(failed 0)
foreach(source IN LISTS SOURCES)
    execute_process(COMMAND ${COMPILER} ${flags} ${source} RESULT_VARIABLE result)
    if(result EQUAL 0)
        message(STATUS "ok: ${source}")
    else()
        message(SEND_ERROR "does not compile for Windows: ${source}")
        set(failed 1)
    endif()
endforeach()
if(failed)
    message(FATAL_ERROR "Windows syntax check failed")
endif()

# Checks that includes between the source folders point down the layers:
#   base            includes only base
#   platform        (the interfaces) base and other interfaces
#   platform/X      (a backend) base, the interfaces and its own folder
#   core folders    base, the interfaces and each other, never app/ and never a backend
#   app             anything but a backend; only the process entry and the backend's own
#                   factories pick the backend, through the interfaces
# Run with cmake -DSOURCE_DIR=<repository> -P CheckLayers.cmake; fails listing every violation.
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
set(violations "")
foreach(source IN LISTS sources)
    file(STRINGS ${SOURCE_DIR}/src/${source} includes REGEX "^#include \"[^\"]+\"")
    string(REGEX MATCH "^[^/]+" folder ${source})
    set(backend "")
    if(source MATCHES "^platform/([^/]+)/")
        set(backend ${CMAKE_MATCH_1})
    endif()
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
        set(bad FALSE)
        if(folder STREQUAL "base")
            if(NOT header MATCHES "^base/")
                set(bad TRUE)
            endif()
        elseif(folder STREQUAL "platform")
            if(NOT header MATCHES "^(base|platform)/")
                set(bad TRUE)
            elseif(header MATCHES "^platform/([^/]+)/" AND NOT CMAKE_MATCH_1 STREQUAL backend)
                set(bad TRUE)
            endif()
        elseif(header MATCHES "^platform/[^/]+/")
            set(bad TRUE)
        elseif(NOT folder STREQUAL "app" AND header MATCHES "^app/")
            set(bad TRUE)
        endif()
        if(bad)
            string(APPEND violations "  src/${source} includes ${header}\n")
        endif()
    endforeach()
endforeach()
if(violations)
    message(FATAL_ERROR "Includes that point up the layers:\n${violations}")
endif()
message(STATUS "Includes point down the layers (${CMAKE_CURRENT_LIST_FILE}).")

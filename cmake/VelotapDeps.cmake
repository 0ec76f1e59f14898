# Third-party dependencies, all from Debian packages.

function(velotap_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()

macro(velotap_link_backend target)
    if(VELOTAP_BACKEND STREQUAL "linux")
        find_package(PkgConfig REQUIRED)
        pkg_check_modules(WEBKIT REQUIRED IMPORTED_TARGET webkit2gtk-4.1 gtk+-3.0)
        pkg_check_modules(XLIBS REQUIRED IMPORTED_TARGET x11 xtst xi)
        find_package(Threads REQUIRED)
        target_link_libraries(${target} PUBLIC PkgConfig::WEBKIT PkgConfig::XLIBS Threads::Threads)
    else()
        target_compile_definitions(${target} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
        target_link_libraries(${target} PUBLIC user32 gdi32 shell32 advapi32 ole32 winmm wtsapi32)
        target_link_options(${target} PUBLIC -static -static-libgcc -static-libstdc++)
    endif()
endmacro()

if(VELOTAP_BACKEND STREQUAL "win32" AND EXISTS ${CMAKE_SOURCE_DIR}/src/platform/win32/VelotapApp.rc)
    set(VELOTAP_APP_RESOURCES ${CMAKE_SOURCE_DIR}/src/platform/win32/VelotapApp.rc)
endif()

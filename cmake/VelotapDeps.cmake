# Third-party dependencies, all from Debian packages, and the compiler settings of our targets.

option(VELOTAP_STRICT "Treat compiler warnings as errors (the test command turns this on)" OFF)

function(velotap_warnings target)
    # MinGW-w64 is GCC too: the same flags hold for the Windows build.
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter
                           $<$<BOOL:${VELOTAP_STRICT}>:-Werror>)
endfunction()

# The updater's endpoints and the public key its manifests are verified with (72-byte "ECS1" blob
# in hex: magic, little-endian length 32, X, Y). The private key never enters the repository.
set(VELOTAP_UPDATE_WEB_HOST "velotap.app" CACHE STRING "Web host serving update manifests")
set(VELOTAP_UPDATE_API_HOST "api.velotap.app" CACHE STRING "API host allowed for downloads")
set(VELOTAP_UPDATE_PUBLIC_KEY
    "4543533120000000F21EEB48ECE0B5EB0A7A1E77F2651A4FDE176FFA07A112DA356595B468340321F4B40172CD9226957CED880D774E4592CC17D674D99A6C902966B82647D04DD5"
    CACHE STRING "Update manifest public key as an ECS1 blob in hex")

find_package(Threads REQUIRED)
if(VELOTAP_BACKEND STREQUAL "linux")
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(WEBKIT REQUIRED IMPORTED_TARGET webkit2gtk-4.1 gtk+-3.0)
    pkg_check_modules(XLIBS REQUIRED IMPORTED_TARGET x11 xtst xi)
    find_package(OpenSSL REQUIRED COMPONENTS Crypto)
    find_package(CURL REQUIRED)
    set(VELOTAP_OS_LIBRARIES PkgConfig::WEBKIT PkgConfig::XLIBS OpenSSL::Crypto CURL::libcurl)
else()
    set(VELOTAP_OS_DEFINITIONS WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
    set(VELOTAP_OS_LIBRARIES user32 gdi32 shell32 advapi32 ole32 winmm bcrypt winhttp wtsapi32
                             comdlg32)
endif()

# Only a backend (and tests of it) may see and link the OS libraries, and never passes them on.
function(velotap_use_os target)
    target_compile_definitions(${target} PRIVATE ${VELOTAP_OS_DEFINITIONS})
    target_link_libraries(${target} PRIVATE ${VELOTAP_OS_LIBRARIES})
endfunction()

if(VELOTAP_BACKEND STREQUAL "win32" AND EXISTS ${CMAKE_SOURCE_DIR}/src/platform/win32/VelotapApp.rc)
    set(VELOTAP_APP_RESOURCES ${CMAKE_SOURCE_DIR}/src/platform/win32/VelotapApp.rc)
endif()

# Third-party dependencies, all from Debian packages.

function(velotap_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()

# The updater's endpoints and the public key its manifests are verified with (72-byte "ECS1" blob
# in hex: magic, little-endian length 32, X, Y). The private key never enters the repository.
set(VELOTAP_UPDATE_WEB_HOST "velotap.app" CACHE STRING "Web host serving update manifests")
set(VELOTAP_UPDATE_API_HOST "api.velotap.app" CACHE STRING "API host allowed for downloads")
set(VELOTAP_UPDATE_PUBLIC_KEY
    "4543533120000000F21EEB48ECE0B5EB0A7A1E77F2651A4FDE176FFA07A112DA356595B468340321F4B40172CD9226957CED880D774E4592CC17D674D99A6C902966B82647D04DD5"
    CACHE STRING "Update manifest public key as an ECS1 blob in hex")

macro(velotap_link_backend target)
    target_compile_definitions(${target} PRIVATE
        VELOTAP_UPDATE_WEB_HOST="${VELOTAP_UPDATE_WEB_HOST}"
        VELOTAP_UPDATE_API_HOST="${VELOTAP_UPDATE_API_HOST}"
        VELOTAP_UPDATE_PUBLIC_KEY="${VELOTAP_UPDATE_PUBLIC_KEY}")
    if(VELOTAP_BACKEND STREQUAL "linux")
        find_package(PkgConfig REQUIRED)
        pkg_check_modules(WEBKIT REQUIRED IMPORTED_TARGET webkit2gtk-4.1 gtk+-3.0)
        pkg_check_modules(XLIBS REQUIRED IMPORTED_TARGET x11 xtst xi)
        find_package(Threads REQUIRED)
        find_package(OpenSSL REQUIRED COMPONENTS Crypto)
        find_package(CURL REQUIRED)
        target_link_libraries(${target} PUBLIC PkgConfig::WEBKIT PkgConfig::XLIBS Threads::Threads
                              OpenSSL::Crypto CURL::libcurl)
    else()
        target_compile_definitions(${target} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
        target_link_libraries(${target} PUBLIC user32 gdi32 shell32 advapi32 ole32 winmm bcrypt
                              winhttp wtsapi32 comdlg32)
        target_link_options(${target} PUBLIC -static -static-libgcc -static-libstdc++)
    endif()
endmacro()

if(VELOTAP_BACKEND STREQUAL "win32" AND EXISTS ${CMAKE_SOURCE_DIR}/src/platform/win32/VelotapApp.rc)
    set(VELOTAP_APP_RESOURCES ${CMAKE_SOURCE_DIR}/src/platform/win32/VelotapApp.rc)
endif()

# The portable layers (base, core, the fake backend) must not reach the OS. The toolkit headers are
# simply not on their include path; headers the compiler finds anyway (Xlib, libc's POSIX
# extensions, windows.h ...) are shadowed by generated stand-ins that stop the compile with a clear
# message. Headers the C++ library itself includes (unistd.h, pthread.h, time.h) cannot be among
# them.
set(VELOTAP_OS_HEADERS
    X11/Xlib.h X11/Xutil.h X11/Xatom.h X11/XKBlib.h X11/keysym.h X11/keysymdef.h
    X11/extensions/XTest.h X11/extensions/XInput.h X11/extensions/XInput2.h
    gtk/gtk.h gdk/gdk.h gdk/gdkx.h glib.h gio/gio.h webkit2/webkit2.h jsc/jsc.h
    curl/curl.h openssl/bn.h openssl/core_names.h openssl/ec.h openssl/err.h openssl/evp.h
    openssl/params.h openssl/rand.h openssl/sha.h
    dlfcn.h fcntl.h poll.h pwd.h spawn.h sys/eventfd.h sys/file.h sys/inotify.h sys/prctl.h
    sys/random.h sys/resource.h sys/socket.h sys/stat.h sys/un.h sys/wait.h
    windows.h windef.h winbase.h winuser.h winreg.h shellapi.h shlobj.h objbase.h combaseapi.h
    mmsystem.h bcrypt.h winhttp.h wtsapi32.h commdlg.h sddl.h aclapi.h tlhelp32.h WebView2.h)

set(VELOTAP_OS_HEADER_GUARD ${CMAKE_BINARY_DIR}/os_header_guard)
foreach(header IN LISTS VELOTAP_OS_HEADERS)
    set(text "#error \"<${header}> is an OS header: the portable core must not include it. OS calls")
    string(APPEND text " belong in src/platform/<backend>/ behind an interface in src/platform/.\"\n")
    file(CONFIGURE OUTPUT ${VELOTAP_OS_HEADER_GUARD}/${header} CONTENT "${text}")
endforeach()

# Settings of every portable target: our warnings and the guard in front of the system headers.
function(velotap_portable target)
    velotap_warnings(${target})
    target_include_directories(${target} BEFORE PRIVATE ${VELOTAP_OS_HEADER_GUARD})
endfunction()

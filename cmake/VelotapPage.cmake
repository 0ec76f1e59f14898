# The page beside the executable, as it is in an installation. Its third-party script (SortableJS)
# and, in test builds, the tools that test the page come from npm by name into the build folder;
# the repository keeps only package.json and package-lock.json.

find_program(VELOTAP_NPM npm)
if(NOT VELOTAP_NPM)
    message(FATAL_ERROR "npm is missing: run scripts/packages.sh")
endif()
set(VELOTAP_NODE_MODULES ${CMAKE_BINARY_DIR}/node_modules)
set(velotap_npm_omit)
if(NOT VELOTAP_TESTS)
    set(velotap_npm_omit --omit=dev)
endif()
add_custom_command(
    OUTPUT ${VELOTAP_NODE_MODULES}/.package-lock.json
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/package.json
            ${CMAKE_SOURCE_DIR}/package-lock.json ${CMAKE_BINARY_DIR}
    COMMAND ${VELOTAP_NPM} ci --no-audit --no-fund --ignore-scripts --loglevel=error
            ${velotap_npm_omit}
    DEPENDS ${CMAKE_SOURCE_DIR}/package.json ${CMAKE_SOURCE_DIR}/package-lock.json
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Installing the page's npm packages")

# Copied on every build, so an edited page file is there at the next start.
add_custom_target(velotap_ui ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/ui $<TARGET_FILE_DIR:VelotapApp>/ui
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:VelotapApp>/ui/vendor
    COMMAND ${CMAKE_COMMAND} -E copy ${VELOTAP_NODE_MODULES}/sortablejs/Sortable.min.js
            $<TARGET_FILE_DIR:VelotapApp>/ui/vendor/Sortable.min.js
    DEPENDS ${VELOTAP_NODE_MODULES}/.package-lock.json)
add_dependencies(VelotapApp velotap_ui)

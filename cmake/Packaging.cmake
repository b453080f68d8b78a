# What a Windows user downloads, built from this tree by `cmake --build build/win --target packages`:
#   build/win/Karvo-<version>-win64.zip    the program folder, to unzip anywhere writable (CPack)
#   build/win/Karvo-<version>-setup.exe    the per-user installer (NSIS, package/Karvo.nsi)
# Both hold exactly the program folder: the two executables, the two libraries, the capture
# sound, the README as text and the licence. config.xml is never shipped: Karvo writes it.

set(KV_STAGE ${CMAKE_BINARY_DIR}/package/stage)
configure_file(${CMAKE_SOURCE_DIR}/README.md ${CMAKE_BINARY_DIR}/package/README.txt @ONLY NEWLINE_STYLE WIN32)
configure_file(${CMAKE_SOURCE_DIR}/package/LICENSE.txt ${CMAKE_BINARY_DIR}/package/LICENSE.txt @ONLY NEWLINE_STYLE WIN32)
configure_file(${CMAKE_SOURCE_DIR}/package/snap.wav ${CMAKE_BINARY_DIR}/bin/snap.wav COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/app/res/Karvo.ico ${CMAKE_BINARY_DIR}/package/Karvo.ico COPYONLY)

install(TARGETS Karvo karvoc KarvoLib Hook RUNTIME DESTINATION . COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/package/snap.wav ${CMAKE_BINARY_DIR}/package/README.txt
              ${CMAKE_BINARY_DIR}/package/LICENSE.txt DESTINATION . COMPONENT program)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Karvo)
set(CPACK_PACKAGE_VENDOR "Velmor科技")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Karvo-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES TRUE)  # the debug information stays in the build tree
set(CPACK_COMPONENTS_ALL program)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_OUTPUT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackConfig.cmake)
include(CPack)

find_program(KV_MAKENSIS makensis)
set(KV_ZIP ${CMAKE_BINARY_DIR}/Karvo-${PROJECT_VERSION}-win64.zip)
set(KV_SETUP ${CMAKE_BINARY_DIR}/Karvo-${PROJECT_VERSION}-setup.exe)
if(KV_MAKENSIS)
    set(kv_nsis_command ${KV_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DSTAGE=${KV_STAGE} -DOUTFILE=${KV_SETUP}
                        ${CMAKE_SOURCE_DIR}/package/Karvo.nsi)
else()
    set(kv_nsis_command ${CMAKE_COMMAND} -E echo "makensis not found (Debian package nsis): no installer built")
endif()
add_custom_target(packages
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${KV_STAGE}
    COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${KV_STAGE} --component program --strip
    COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR} cpack --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
    COMMAND ${kv_nsis_command}
    DEPENDS Karvo karvoc KarvoLib Hook ${CMAKE_SOURCE_DIR}/package/Karvo.nsi
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Packages: ${KV_ZIP} and ${KV_SETUP}"
    VERBATIM)

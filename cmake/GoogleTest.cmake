# GoogleTest from Debian's source package, built inside each tree: nothing is downloaded.
set(KV_GTEST_SRC /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${KV_GTEST_SRC}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${KV_GTEST_SRC}: install Debian's googletest package")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${KV_GTEST_SRC} ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
if(WIN32)
    # mingw's gtest needs the posix thread model for std::mutex; it is what our toolchain uses.
    target_compile_options(gtest PRIVATE -Wno-error)
endif()

# The tests' libraries for the Windows build, which Debian has for Linux
# only: GoogleTest built from the sources its package installs, and the
# header-only nlohmann/json from the host, seen through an include root
# that holds it alone (the host's /usr/include must not be searched).
set(GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

set(json_root ${PROJECT_BINARY_DIR}/include-roots/nlohmann_json)
if(NOT EXISTS ${json_root}/nlohmann)
  file(MAKE_DIRECTORY ${json_root})
  file(CREATE_LINK /usr/include/nlohmann ${json_root}/nlohmann SYMBOLIC)
endif()
add_library(nlohmann_json INTERFACE)
target_include_directories(nlohmann_json SYSTEM INTERFACE ${json_root})
add_library(nlohmann_json::nlohmann_json ALIAS nlohmann_json)

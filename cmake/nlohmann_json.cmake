# nlohmann/json (Debian: nlohmann-json3-dev), header-only, for the language
# server's JSON. A native build finds its CMake package. A cross build finds
# no package for the target, but the headers are the same on every system:
# they are copied from the build machine into a folder of their own, so that
# the rest of the build machine's /usr/include stays out of the target's
# include path.
find_package(nlohmann_json 3 QUIET)
if(NOT nlohmann_json_FOUND)
  set(NLOHMANN_JSON_HEADERS /usr/include/nlohmann CACHE PATH
      "The folder that holds nlohmann/json.hpp, for builds without its CMake package")
  if(NOT EXISTS ${NLOHMANN_JSON_HEADERS}/json.hpp)
    message(FATAL_ERROR "nlohmann/json not found: install nlohmann-json3-dev, or set "
                        "NLOHMANN_JSON_HEADERS to the folder that holds json.hpp")
  endif()
  set(copy ${CMAKE_BINARY_DIR}/third_party/include)
  file(REMOVE_RECURSE ${copy}/nlohmann)
  file(COPY ${NLOHMANN_JSON_HEADERS}/ DESTINATION ${copy}/nlohmann)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  # As the package's headers are: warnings in them are not this project's.
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${copy}
    INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${copy})
endif()

# One library per folder, included from the repository root
# (#include "model/model.h"). A library sees only its own folder and the
# folders of the libraries it links, so an include that goes the wrong way
# (format/ including compiler/) fails to compile instead of building by
# accident: each folder is exposed through a directory of its own that holds
# one link to it.
function(layer_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LINKS")
  add_library(${name} STATIC ${arg_SOURCES})
  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  if(CMAKE_HOST_WIN32)
    # Links need privileges on Windows: a native build there sees the whole
    # tree, and the Linux builds keep the layering honest.
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  else()
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${name} SYMBOLIC)
    target_include_directories(${name} PUBLIC ${root})
  endif()
  if(arg_LINKS)
    target_link_libraries(${name} PUBLIC ${arg_LINKS})
  endif()
endfunction()

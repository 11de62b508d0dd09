# kanro_layer(<folder> DEPS <targets...> [EXCLUDE <files...>]): defines the
# static library kanro_<folder> from every .cpp/.h in src/<folder> but the
# excluded ones (which the folder builds into a library of their own); skipped
# while the folder has no sources yet.
function(kanro_layer folder)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  set(headers ${sources})
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  list(FILTER headers INCLUDE REGEX "\\.h$")
  if(NOT sources)
    return()
  endif()
  add_library(kanro_${folder} STATIC ${sources} ${headers})
  target_include_directories(kanro_${folder} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  # Layers not built yet are left out, so the tree builds while it grows.
  set(deps "")
  foreach(dep IN LISTS ARG_DEPS)
    if(dep MATCHES "^kanro_" AND NOT TARGET ${dep})
      continue()
    endif()
    list(APPEND deps ${dep})
  endforeach()
  target_link_libraries(kanro_${folder} PUBLIC ${deps})
endfunction()

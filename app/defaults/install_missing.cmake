# cmake -DSRC=file -DDIR=folder -P install_missing.cmake
# Copies SRC into DIR unless DIR already holds a file of that name in any
# letter case: the programs write their settings back, so a copy there is the
# user's own and stays as it is.
get_filename_component(name "${SRC}" NAME)
string(TOLOWER "${name}" wanted)
file(MAKE_DIRECTORY "${DIR}")
file(GLOB present RELATIVE "${DIR}" "${DIR}/*")
foreach(f IN LISTS present)
  string(TOLOWER "${f}" lower)
  if(lower STREQUAL wanted)
    return()
  endif()
endforeach()
file(COPY "${SRC}" DESTINATION "${DIR}")

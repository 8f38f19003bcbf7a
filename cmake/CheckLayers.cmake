# Fails when a source file includes a header of a higher layer.
#
#   cmake -DSRC_DIR=<src> "-DLAYERS=platform;device;..." -P CheckLayers.cmake
#
# The folders below SRC_DIR are layers in the order of LAYERS: a file of one
# layer may include headers of its own layer and of the layers before it.
# Includes of folders that are no layer (system and Qt headers) are ignored.

if(NOT SRC_DIR OR NOT LAYERS)
  message(FATAL_ERROR "usage: cmake -DSRC_DIR=<dir> -DLAYERS=<list> -P CheckLayers.cmake")
endif()

get_filename_component(SRC_DIR "${SRC_DIR}" ABSOLUTE)
set(rank 0)
foreach(layer IN LISTS LAYERS)
  set(rank_${layer} ${rank})
  math(EXPR rank "${rank} + 1")
endforeach()

set(violations 0)
foreach(layer IN LISTS LAYERS)
  file(GLOB_RECURSE files "${SRC_DIR}/${layer}/*.h" "${SRC_DIR}/${layer}/*.cpp")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z0-9_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([A-Za-z0-9_]+)/.*" "\\1" used "${line}")
      if(DEFINED rank_${used} AND rank_${used} GREATER rank_${layer})
        file(RELATIVE_PATH shown "${SRC_DIR}" "${file}")
        message("${shown}: ${layer} includes the higher layer ${used}: ${line}")
        math(EXPR violations "${violations} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations GREATER 0)
  message(FATAL_ERROR "${violations} include(s) against the layer order: ${LAYERS}")
endif()
message(STATUS "layers in order: ${LAYERS}")

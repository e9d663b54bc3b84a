# Every header is included by its path from the top of the source tree
# ("format/core/Support_Stream.h", "project/Resource_Main.h").  Yet a layer
# must not even find the headers of the layers above it, so no target gets
# the top of the tree as an include directory.  Instead each folder gets an
# include root of its own in the build tree that holds nothing but a link to
# that folder under its usual path:
#
#   <build>/include-roots/format_core/format/core -> <source>/format/core
#
# A library hands its root on to whoever links it; what it does not link,
# it cannot include.
function(transvane_include_root target scope folder)
  string(REPLACE "/" "_" root_name "${folder}")
  set(root "${PROJECT_BINARY_DIR}/include-roots/${root_name}")
  set(link "${root}/${folder}")
  if(NOT EXISTS "${link}")
    get_filename_component(parent "${link}" DIRECTORY)
    file(MAKE_DIRECTORY "${parent}")
    file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${folder}" "${link}" SYMBOLIC)
  endif()
  target_include_directories(${target} ${scope} "${root}")
endfunction()

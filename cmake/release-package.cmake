# The programs of a release package (scripts/package): stripped, and the same
# bytes from the same commit wherever it is built, so that anyone can check a
# package against the sources. The build folders' paths stay out of the
# binaries (__FILE__, debug names) and the linker writes no time stamp into
# the PE header.
option(VESTREL_RELEASE_PACKAGE "Build the programs for a release package" OFF)
if(VESTREL_RELEASE_PACKAGE)
  # The build folder last: where it lies inside the sources, its mapping wins.
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>"
                      "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>")
  add_link_options(-s LINKER:--no-insert-timestamp)
endif()

# zlib for the browser, compiled from zlib's own C sources: the same
# deflate and inflate as the native build, so the page writes and reads the
# very streams the command-line tool does.
#
# The sources come from a Debian package that carries them: binutils-source
# holds the binutils tarball, and binutils keeps a copy of zlib (1.2.12,
# whose deflate output is that of Debian's zlib1g 1.2.13).  Only zlib's
# folder is unpacked, once, into the build tree.  TRANSVANE_ZLIB_SOURCE_DIR
# names a zlib source folder to use instead.
enable_language(C)

# The codec alone: no gzip files, no examples.
set(zlib_units adler32.c compress.c crc32.c deflate.c inffast.c inflate.c inftrees.c trees.c uncompr.c
               zutil.c)

set(TRANSVANE_ZLIB_SOURCE_DIR "" CACHE PATH "A folder of zlib's C sources (zlib.h, deflate.c ...)")
if(NOT TRANSVANE_ZLIB_SOURCE_DIR)
  file(GLOB zlib_archives /usr/src/binutils/binutils-*.tar.xz)
  if(NOT zlib_archives)
    message(FATAL_ERROR "zlib's sources are missing: install Debian's binutils-source "
                        "(tools/setup.sh does) or set TRANSVANE_ZLIB_SOURCE_DIR")
  endif()
  list(GET zlib_archives 0 zlib_archive)
  set(zlib_unpacked ${CMAKE_BINARY_DIR}/zlib-source)
  if(NOT EXISTS ${zlib_unpacked}/zlib.h)
    message(STATUS "Unpacking zlib's sources from ${zlib_archive}")
    set(zlib_files ${zlib_units} zlib.h zconf.h zutil.h deflate.h inffast.h inffixed.h inflate.h
                   inftrees.h trees.h crc32.h gzguts.h)
    list(TRANSFORM zlib_files PREPEND "*/zlib/")
    # GNU tar rather than CMake's own unpacking: the tarball stores some
    # files twice, the second time as a hard link to itself.
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/zlib-unpack)
    execute_process(COMMAND tar -xJf ${zlib_archive} --wildcards ${zlib_files}
                    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/zlib-unpack RESULT_VARIABLE unpacked)
    if(NOT unpacked EQUAL 0)
      message(FATAL_ERROR "Cannot unpack zlib's sources from ${zlib_archive}")
    endif()
    file(GLOB zlib_folder ${CMAKE_BINARY_DIR}/zlib-unpack/*/zlib)
    file(RENAME ${zlib_folder} ${zlib_unpacked})
    file(REMOVE_RECURSE ${CMAKE_BINARY_DIR}/zlib-unpack)
  endif()
  set(TRANSVANE_ZLIB_SOURCE_DIR ${zlib_unpacked})
endif()

list(TRANSFORM zlib_units PREPEND ${TRANSVANE_ZLIB_SOURCE_DIR}/)
add_library(transvane_zlib STATIC ${zlib_units})
target_include_directories(transvane_zlib SYSTEM PUBLIC ${TRANSVANE_ZLIB_SOURCE_DIR})
# zlib's own code is not held to this project's warnings.
target_compile_options(transvane_zlib PRIVATE -w)
add_library(ZLIB::ZLIB ALIAS transvane_zlib)

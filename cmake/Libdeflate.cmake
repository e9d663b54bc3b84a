# libdeflate compiled from its own C sources, for the builds that have no
# libdeflate package to link (the page, Windows): the same library, at the same
# version, as Debian's libdeflate-dev that the native build links, so both
# write the very same bytes.  tools/setup.sh --tests fetches the sources of
# Debian's package into /usr/local/src/transvane/libdeflate;
# TRANSVANE_LIBDEFLATE_SOURCE_DIR names another folder of them.  The
# target is PkgConfig::LIBDEFLATE, as the native build's pkg-config module.
enable_language(C)

set(TRANSVANE_LIBDEFLATE_SOURCE_DIR /usr/local/src/transvane/libdeflate
    CACHE PATH "A folder of libdeflate's sources (libdeflate.h, lib/ ...)")
set(libdeflate_dir ${TRANSVANE_LIBDEFLATE_SOURCE_DIR})
if(NOT EXISTS ${libdeflate_dir}/libdeflate.h OR NOT EXISTS ${libdeflate_dir}/lib/deflate_compress.c)
  message(FATAL_ERROR "libdeflate's sources are missing from ${libdeflate_dir}: run tools/setup.sh --tests "
                      "(it fetches them) or set TRANSVANE_LIBDEFLATE_SOURCE_DIR")
endif()
file(STRINGS ${libdeflate_dir}/libdeflate.h libdeflate_version REGEX "^#define LIBDEFLATE_VERSION_STRING")
string(REGEX REPLACE ".*\"(.*)\".*" "\\1" libdeflate_version "${libdeflate_version}")
message(STATUS "libdeflate ${libdeflate_version} from its sources in ${libdeflate_dir}")

# The library as its own makefile builds it, whole (deflate, zlib and gzip
# wrappers, both directions).  The processor-feature probes choose the x86
# and ARM code at run time; the browser's build takes the portable code.
set(libdeflate_units adler32.c crc32.c deflate_compress.c deflate_decompress.c gzip_compress.c
                     gzip_decompress.c utils.c zlib_compress.c zlib_decompress.c)
list(TRANSFORM libdeflate_units PREPEND ${libdeflate_dir}/lib/)
if(NOT EMSCRIPTEN)
  list(APPEND libdeflate_units ${libdeflate_dir}/lib/x86/cpu_features.c ${libdeflate_dir}/lib/arm/cpu_features.c)
endif()
add_library(transvane_libdeflate STATIC ${libdeflate_units})
target_include_directories(transvane_libdeflate SYSTEM PUBLIC ${libdeflate_dir})
set_target_properties(transvane_libdeflate PROPERTIES C_STANDARD 99 C_EXTENSIONS OFF C_VISIBILITY_PRESET hidden)
# Its makefile's definition for the library's units; a static library, so
# no LIBDEFLATE_DLL.  libdeflate's own code is not held to this project's
# warnings.
target_compile_definitions(transvane_libdeflate PRIVATE _ANSI_SOURCE)
target_compile_options(transvane_libdeflate PRIVATE -w)
add_library(PkgConfig::LIBDEFLATE ALIAS transvane_libdeflate)

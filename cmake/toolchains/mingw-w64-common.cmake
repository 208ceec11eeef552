# Shared by the per-architecture MinGW-w64 toolchain files, which set QUILLMOR_MINGW_TRIPLE,
# CMAKE_SYSTEM_PROCESSOR and QUILLMOR_WINDEPS_ARCH first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10.0)

# The -posix flavours: std::thread, std::mutex and friends need winpthreads; the -win32
# flavours of Debian's GCC 12 lack them.
set(CMAKE_C_COMPILER ${QUILLMOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLMOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLMOR_MINGW_TRIPLE}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

# The libraries scripts/build-windows-deps builds (libjpeg-turbo, GoogleTest) live in
# build-deps/<arch> of this tree unless QUILLMOR_WINDEPS names another cache folder.
if(DEFINED ENV{QUILLMOR_WINDEPS})
  set(QUILLMOR_WINDEPS_PREFIX "$ENV{QUILLMOR_WINDEPS}/${QUILLMOR_WINDEPS_ARCH}")
else()
  get_filename_component(QUILLMOR_WINDEPS_PREFIX
    "${CMAKE_CURRENT_LIST_DIR}/../../build-deps/${QUILLMOR_WINDEPS_ARCH}" ABSOLUTE)
endif()

# Find the target's headers and libraries only in the MinGW sysroot and the deps prefix,
# never the build machine's; programs (nasm, windres) come from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLMOR_MINGW_TRIPLE} "${QUILLMOR_WINDEPS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg_check_modules() must see the cross-built .pc files, not the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "${QUILLMOR_WINDEPS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

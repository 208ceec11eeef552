# 32-bit Windows from Debian's MinGW-w64: cmake -DCMAKE_TOOLCHAIN_FILE=<this file>
set(QUILLMOR_MINGW_TRIPLE i686-w64-mingw32)
set(QUILLMOR_WINDEPS_ARCH win32)
# libjpeg-turbo picks its 32-bit x86 SIMD code from a processor name of the i?86 form.
set(CMAKE_SYSTEM_PROCESSOR i686)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake")

# 64-bit Windows from Debian's MinGW-w64: cmake -DCMAKE_TOOLCHAIN_FILE=<this file>
set(QUILLMOR_MINGW_TRIPLE x86_64-w64-mingw32)
set(QUILLMOR_WINDEPS_ARCH win64)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake")

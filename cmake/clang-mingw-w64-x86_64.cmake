# Cross-compiling for 64-bit Windows with Debian's clang, on MinGW-w64's headers and import
# libraries and the libstdc++ of its posix-thread g++ (the same runtime the g++ build uses).
# A second compiler catches what the first lets through. Only the program is built with it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GLIMMORA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET x86_64-w64-windows-gnu)
set(CMAKE_CXX_COMPILER_TARGET x86_64-w64-windows-gnu)
set(CMAKE_RC_COMPILER ${GLIMMORA_MINGW_PREFIX}-windres)
set(CMAKE_SYSROOT /usr/${GLIMMORA_MINGW_PREFIX})

# clang 14 does not recognise Debian's "12-posix" as a GCC version, so it finds neither
# libstdc++'s headers nor libgcc: ask the posix g++ where they are.
execute_process(COMMAND ${GLIMMORA_MINGW_PREFIX}-g++-posix -print-libgcc-file-name
                OUTPUT_VARIABLE GLIMMORA_LIBGCC OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(GLIMMORA_GCC_DIR ${GLIMMORA_LIBGCC} DIRECTORY)
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES
    ${GLIMMORA_GCC_DIR}/include/c++
    ${GLIMMORA_GCC_DIR}/include/c++/${GLIMMORA_MINGW_PREFIX}
    ${GLIMMORA_GCC_DIR}/include/c++/backward)
# What MinGW's g++ predefines and clang 14 does not: without them libstdc++'s <typeinfo> defines
# an inline type_info::operator== that clashes with the one in libstdc++.a.
set(CMAKE_CXX_FLAGS_INIT "-D__GXX_TYPEINFO_EQUALITY_INLINE=0 -D__GXX_MERGED_TYPEINFO_NAMES=0")
# The posix libstdc++ needs winpthread. lld takes archives in any order, so it may come first;
# the binutils linker would want it after libstdc++, where the driver adds nothing of ours.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${GLIMMORA_GCC_DIR} -lpthread")

set(CMAKE_FIND_ROOT_PATH /usr/${GLIMMORA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

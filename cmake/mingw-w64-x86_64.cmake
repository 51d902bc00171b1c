# Cross-compiles both programs for 64-bit Windows with MinGW-w64 (Debian
# package g++-mingw-w64-x86-64). The programs are linked statically, so the
# .exe files need only the DLLs every Windows system has (KERNEL32, msvcrt).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QEL_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX-thread variant of the compilers, where the system has both, so
# that std::thread is there (qelbook sorts on several threads).
find_program(QEL_MINGW_POSIX_CXX ${QEL_MINGW_PREFIX}-g++-posix)
if(QEL_MINGW_POSIX_CXX)
  set(CMAKE_C_COMPILER ${QEL_MINGW_PREFIX}-gcc-posix)
  set(CMAKE_CXX_COMPILER ${QEL_MINGW_PREFIX}-g++-posix)
else()
  set(CMAKE_C_COMPILER ${QEL_MINGW_PREFIX}-gcc)
  set(CMAKE_CXX_COMPILER ${QEL_MINGW_PREFIX}-g++)
endif()
set(CMAKE_RC_COMPILER ${QEL_MINGW_PREFIX}-windres)

# Libraries and headers come from the MinGW sysroot only; programs (the
# compiler's helpers) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${QEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libgcc, libstdc++ or winpthread DLLs beside the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

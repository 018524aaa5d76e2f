# Cross-build for Windows with mingw-w64's posix thread model, which carries
# std::mutex (GoogleTest needs it). The preset names the processor in
# VESTREL_MINGW_PROCESSOR: x86_64 (64-bit) or i686 (32-bit). Linked
# statically: the program runs without the MinGW runtime DLLs beside it.
if(NOT VESTREL_MINGW_PROCESSOR MATCHES "^(x86_64|i686)$")
  message(FATAL_ERROR "VESTREL_MINGW_PROCESSOR must be x86_64 or i686 (the win64 and win32 "
                      "presets set it), not '${VESTREL_MINGW_PROCESSOR}'")
endif()
# The compiler checks' test projects read this file too: pass the choice on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VESTREL_MINGW_PROCESSOR)

set(VESTREL_MINGW_TRIPLET ${VESTREL_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VESTREL_MINGW_PROCESSOR})
set(CMAKE_C_COMPILER ${VESTREL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESTREL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VESTREL_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VESTREL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

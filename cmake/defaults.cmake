# Settings every target of ours shares: strict warnings, sanitizers
# natively, static and Unicode on Windows. Only GCC and Clang (MinGW-w64 for
# Windows) are built and tested; the MSVC branches keep its options apart.
option(WENDRAKE_SANITIZE "Build native code with AddressSanitizer and UBSan" OFF)

# wendrake_defaults(<target> [WIDE_ENTRY]): WIDE_ENTRY for a program that
# starts at wWinMain or wmain (MSVC's linker finds them by itself).
function(wendrake_defaults target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /utf-8 /permissive-)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  endif()
  if(WIN32)
    target_compile_definitions(${target} PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                _WIN32_WINNT=0x0A00)
  endif()
  if(MINGW AND "WIDE_ENTRY" IN_LIST ARGN)
    target_link_options(${target} PRIVATE -municode)
  endif()
  if(MINGW)
    # Size over speed: the program waits on the user, not on its own code.
    target_compile_options(${target} PRIVATE -Os -ffunction-sections -fdata-sections)
    target_link_options(${target} PRIVATE -static -s -Wl,--gc-sections -Wl,--dynamicbase,--nxcompat,--high-entropy-va)
  elseif(WENDRAKE_SANITIZE AND NOT WIN32)
    target_compile_options(${target} PUBLIC -fsanitize=address,undefined -fno-sanitize-recover=all
                                            -fno-omit-frame-pointer)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()

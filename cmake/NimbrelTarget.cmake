# Compiler settings every target of the project shares.
function(nimbrel_configure_target target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /utf-8 /permissive-)
    target_compile_definitions(${target} PRIVATE UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN
                                                 _WIN32_WINNT=0x0601 WINVER=0x0601)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    if(WIN32)
      # The headers of Windows 7, the oldest the program runs on, declare nothing newer: what is
      # newer is looked up at run time (util/windows_functions_win32.h).
      target_compile_definitions(${target} PRIVATE UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN
                                                   _WIN32_WINNT=0x0601 WINVER=0x0601)
      # The released files carry no trace of the folders they were built in, so that any clean
      # build of a commit gives the same bytes. The later map wins for the build folder.
      target_compile_options(${target} PRIVATE -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                                               -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
      # A section for each function and datum, so that the link drops those nothing calls. -O3's
      # inlining and unrolling made the program a tenth larger for no speed a user would notice;
      # given after the build type's flags, -O2 wins.
      target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections
                                               $<$<CONFIG:Release>:-O2>)
    endif()
  endif()
  if(NIMBREL_SANITIZE)
    target_compile_options(${target} PUBLIC -fsanitize=address,undefined -fno-omit-frame-pointer
                                            -fno-sanitize-recover=undefined)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
    # An index past the end of an array inside one object escapes AddressSanitizer; the
    # library's own checks catch it.
    target_compile_definitions(${target} PUBLIC _GLIBCXX_ASSERTIONS)
  endif()
  if(NIMBREL_FUZZ)
    # Coverage feedback for libFuzzer; each fuzz target links the fuzzer itself.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# A Windows program that needs no DLL beyond those Windows ships.
function(nimbrel_static_windows_program target)
  if(MINGW)
    # Release programs carry no symbol table: it would double the size of the file. Without a
    # link time stamp, two builds of one commit give the same bytes. Sections nothing reaches,
    # of the program's and of the static libraries', stay out.
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++
                                          -Wl,--no-insert-timestamp -Wl,--gc-sections
                                          $<$<CONFIG:Release>:-s>)
  elseif(MSVC)
    set_property(TARGET ${target} PROPERTY MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  endif()
endfunction()

# Fails when a source file includes across a forbidden edge between the layers:
#   platform/ does not include engine/, app/, tools/, tests or benchmarks;
#   platform/raster/ includes itself, the standard library and the compilers' SIMD intrinsics
#   (SSE2, WebAssembly SIMD), nothing else;
#   platform/d3d/ includes itself, platform/raster/ and the standard library;
#   content/ (names the show and its generator share) includes the standard library only, and
#   only the show, the tools and the tests include it;
#   engine/ does not include app/, tools/, tests or benchmarks; app/ not tools/, tests, benchmarks;
#   tools/ not app/, tests or benchmarks; tests not benchmarks;
#   SDL and libopenmpt only in platform/ (outside raster) and the tests that inject SDL events;
#   bench/ takes test fixtures from the support library only, never from a test's folder.
# The include roots of the build already refuse most of these; this also sees what the system's
# include directories would let through (<SDL2/SDL.h>, <libopenmpt/...>, <png.h>).
#
#   cmake -DROOT=<source tree> -P CheckIncludes.cmake
#   cmake -DSELFTEST=<scratch folder> -P CheckIncludes.cmake   plants every kind of forbidden
#                                                             include and expects each reported
cmake_minimum_required(VERSION 3.25)

# Tests that drive the keyboard and window through SDL's own event queue.
set(SDL_EVENT_TESTS tests/input/InputTest.cpp tests/video/AppTest.cpp tests/support/PushKey.h
                    tests/music/DeviceLossTest.cpp tests/show/ScreenshotTest.cpp)
set(C_HEADERS assert.h float.h limits.h math.h stddef.h stdint.h stdio.h stdlib.h string.h)

function(starts_with_any out text)
  set(hit FALSE)
  foreach(prefix IN LISTS ARGN)
    string(FIND "${text}" "${prefix}" at)
    if(at EQUAL 0)
      set(hit TRUE)
    endif()
  endforeach()
  set(${out} ${hit} PARENT_SCOPE)
endfunction()

# Appends "FILE: #include X (why)" to VIOLATIONS for each forbidden include under ROOT.
function(check_tree root)
  file(GLOB_RECURSE files RELATIVE ${root}
       ${root}/platform/*.h ${root}/platform/*.cpp ${root}/engine/*.h ${root}/engine/*.cpp
       ${root}/app/*.h ${root}/app/*.cpp ${root}/tools/*.h ${root}/tools/*.cpp ${root}/content/*.h
       ${root}/bench/*.h ${root}/bench/*.cpp ${root}/tests/*.h ${root}/tests/*.cpp)
  set(found "")
  foreach(file IN LISTS files)
    file(STRINGS ${root}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
      if(NOT line MATCHES "include[ \t]*([<\"])([^>\"]+)[>\"]")
        continue()
      endif()
      set(angle FALSE)
      if(CMAKE_MATCH_1 STREQUAL "<")
        set(angle TRUE)
      endif()
      set(name ${CMAKE_MATCH_2})
      set(why "")

      set(library FALSE)
      if(name MATCHES "^(SDL2?/|SDL[A-Za-z0-9_]*\\.h$|libopenmpt/)")
        set(library TRUE)
      endif()

      if(file MATCHES "^platform/raster/")
        if(angle)
          if(name MATCHES "/" OR (name MATCHES "\\." AND NOT name MATCHES "(intrin|^wasm_simd128)\\.h$"
                                  AND NOT name IN_LIST C_HEADERS))
            set(why "the rasteriser uses the standard library only")
          endif()
        elseif(NOT name MATCHES "^platform/raster/" AND name MATCHES "/")
          set(why "the rasteriser includes only itself")
        endif()
      elseif(file MATCHES "^platform/d3d/")
        if(angle)
          if(name MATCHES "/" OR (name MATCHES "\\." AND NOT name IN_LIST C_HEADERS))
            set(why "the d3d layer stands on the rasteriser and the standard library only")
          endif()
        elseif(NOT name MATCHES "^platform/(d3d|raster)/")
          set(why "the d3d layer includes only itself and the rasteriser")
        endif()
      elseif(file MATCHES "^content/")
        if(NOT angle OR name MATCHES "/")
          set(why "content/ includes the standard library only")
        endif()
      elseif(file MATCHES "^platform/")
        starts_with_any(hit "${name}" engine/ app/ tools/ tests/ support/ bench/ content/)
        if(hit)
          set(why "platform/ stands below the engine")
        endif()
      elseif(file MATCHES "^engine/")
        starts_with_any(hit "${name}" app/ tools/ tests/ support/ bench/ content/)
        if(hit)
          set(why "engine/ stands below the show and its tools")
        endif()
      elseif(file MATCHES "^app/")
        starts_with_any(hit "${name}" tools/ tests/ support/ bench/)
        if(hit)
          set(why "the show does not use tools, tests or benchmarks")
        endif()
      elseif(file MATCHES "^tools/")
        starts_with_any(hit "${name}" app/ tests/ support/ bench/)
        if(hit)
          set(why "tools do not use the show, tests or benchmarks")
        endif()
      elseif(file MATCHES "^bench/")
        # A name that only a test folder holds is a test's own fixture.
        starts_with_any(hit "${name}" tests/ support/)
        if(name MATCHES "^tests/" OR (NOT angle AND NOT hit AND EXISTS ${root}/tests/${name}
                                      AND NOT EXISTS ${root}/${name}))
          set(why "benchmarks take fixtures from tests/support only")
        endif()
      elseif(file MATCHES "^tests/")
        starts_with_any(hit "${name}" bench/)
        if(hit)
          set(why "tests do not use benchmarks")
        endif()
      endif()

      if(why STREQUAL "" AND library AND NOT file MATCHES "^platform/"
         AND NOT file IN_LIST SDL_EVENT_TESTS)
        set(why "SDL and libopenmpt stay behind platform/")
      endif()
      if(NOT why STREQUAL "")
        list(APPEND found "${file}: #include ${name} (${why})")
      endif()
    endforeach()
  endforeach()
  set(VIOLATIONS ${found} PARENT_SCOPE)
endfunction()

if(DEFINED SELFTEST)
  file(REMOVE_RECURSE ${SELFTEST})
  # file | include line | whether it must be reported
  set(cases
    "engine/world/World.cpp|#include \"app/Globals.h\"|bad"
    "engine/music/Music.cpp|#include <libopenmpt/libopenmpt.hpp>|bad"
    "engine/video/Video.cpp|#include \"tests/support/ModelFiles.h\"|bad"
    "platform/os/Window.cpp|#include \"engine/world/World.h\"|bad"
    "platform/raster/Texture.cpp|#include \"platform/os/Clock.h\"|bad"
    "platform/raster/Fragment.cpp|#include <png.h>|bad"
    "platform/raster/Rasteriser.cpp|#include <SDL2/SDL.h>|bad"
    "app/Show.cpp|#include <SDL.h>|bad"
    "app/Scene.cpp|#include \"tools/assetgen/Catalogue.h\"|bad"
    "tools/model/main.cpp|#include \"app/Globals.h\"|bad"
    "bench/video_bench.cpp|#include \"video/Headless.h\"|bad"
    "tests/world/WorldTest.cpp|#include \"bench/Common.h\"|bad"
    "content/Names.h|#include \"engine/world/World.h\"|bad"
    "content/Names2.h|#include <SDL2/SDL.h>|bad"
    "engine/world/World3.cpp|#include \"content/GreetedGroups.h\"|bad"
    "platform/os/Window3.cpp|#include \"content/GreetedGroups.h\"|bad"
    "platform/d3d/D3D.cpp|#include \"platform/os/Presenter.h\"|bad"
    "platform/d3d/D3D2.cpp|#include <SDL2/SDL.h>|bad"
    "platform/d3d/D3D3.cpp|#include \"platform/raster/Raster.h\"|good"
    "platform/d3d/D3D4.cpp|#include \"platform/d3d/D3D.h\"|good"
    "platform/raster/Rasteriser2.cpp|#include <emmintrin.h>|good"
    "platform/raster/Rasteriser3.cpp|#include \"platform/raster/Raster.h\"|good"
    "platform/raster/Rasteriser4.cpp|#include <cstdint>|good"
    "platform/os/Window2.cpp|#include <SDL.h>|good"
    "platform/sound/ModulePlayer.cpp|#include <libopenmpt/libopenmpt.hpp>|good"
    "engine/world/World2.cpp|#include \"platform/os/Clock.h\"|good"
    "app/Show2.cpp|#include \"engine/world/World.h\"|good"
    "bench/video_bench2.cpp|#include \"support/BmpFiles.h\"|good"
    "tests/input/InputTest.cpp|#include <SDL.h>|good"
    "tests/show/SceneTest.cpp|#include \"app/Show.h\"|good"
    "content/Names3.h|#include <string_view>|good"
    "app/Scene3.cpp|#include \"content/GreetedGroups.h\"|good"
    "tools/assetgen/Catalogue.h|#include \"content/GreetedGroups.h\"|good")
  set(expected "")
  foreach(case IN LISTS cases)
    string(REPLACE "|" ";" parts "${case}")
    list(GET parts 0 file)
    list(GET parts 1 line)
    list(GET parts 2 verdict)
    file(WRITE ${SELFTEST}/${file} "// planted\n${line}\n")
    if(verdict STREQUAL "bad")
      list(APPEND expected ${file})
    endif()
  endforeach()
  file(WRITE ${SELFTEST}/tests/video/Headless.h "// a test's own fixture\n")
  check_tree(${SELFTEST})
  set(reported "")
  foreach(v IN LISTS VIOLATIONS)
    string(REGEX REPLACE ":.*" "" f "${v}")
    list(APPEND reported ${f})
  endforeach()
  list(SORT expected)
  list(SORT reported)
  if(NOT expected STREQUAL reported)
    message(FATAL_ERROR "the check reported\n  ${reported}\nbut these are the forbidden ones:\n  ${expected}")
  endif()
  list(LENGTH expected n)
  message(STATUS "all ${n} planted forbidden includes reported, no clean one")
  return()
endif()

if(NOT DEFINED ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source tree> -P CheckIncludes.cmake")
endif()
check_tree(${ROOT})
if(VIOLATIONS)
  list(JOIN VIOLATIONS "\n  " text)
  message(FATAL_ERROR "includes across the layers:\n  ${text}")
endif()
message(STATUS "every include follows the layers")

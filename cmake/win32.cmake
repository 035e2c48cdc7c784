# Windows build (MinGW-w64 cross build or native): the program and the Win32 tests.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
if(MINGW)
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

file(GLOB VKM_WIN32_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/platform/win32/*.cpp
  ${CMAKE_SOURCE_DIR}/frm_main/*_win32.cpp
  ${CMAKE_SOURCE_DIR}/MsgDlgCZ/*_win32.cpp)
add_library(vkm_win32 STATIC ${VKM_WIN32_SOURCES})
# comdlg32 is not linked: the open dialog loads it when first shown (win32_platform.cpp).
target_link_libraries(vkm_win32 PUBLIC vkm_logic user32 gdi32 comctl32)

file(GLOB VKM_APP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/app/*.cpp ${CMAKE_SOURCE_DIR}/app/*.rc)
enable_language(RC)
configure_file(${CMAKE_SOURCE_DIR}/app/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)
add_executable(vlakomluv WIN32 ${VKM_APP_SOURCES})
target_link_libraries(vlakomluv PRIVATE vkm_win32)
if(MINGW)
  target_link_options(vlakomluv PRIVATE -municode)
endif()

# The line check for authors, a console program.
add_executable(vkmcheck ${CMAKE_SOURCE_DIR}/vkmcheck/vkmcheck.cpp ${CMAKE_SOURCE_DIR}/vkmcheck/main_win32.cpp)
target_link_libraries(vkmcheck PRIVATE vkm_win32)
if(MINGW)
  target_link_options(vkmcheck PRIVATE -municode)
endif()

# GoogleTest from its sources, for the test programs that run under Wine.
set(VKM_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
if(EXISTS ${VKM_GTEST_SOURCE_DIR}/CMakeLists.txt)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VKM_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)

  # Each tests/win32/*.cpp is a test program of its own, run under Wine by ctest;
  # a *_sound_test.cpp one gets a private sound server as its sound device.
  file(GLOB VKM_WIN32_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*_test.cpp)
  foreach(src ${VKM_WIN32_TESTS})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE vkm_win32 gtest gtest_main winmm)
    if(name MATCHES "_sound_test$")
      add_test(NAME win32_${name} COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win32/with_sound.sh $<TARGET_FILE:${name}>)
    else()
      add_test(NAME win32_${name} COMMAND ${name})
    endif()
    set_tests_properties(win32_${name} PROPERTIES TIMEOUT 300)
  endforeach()
  set_tests_properties(win32_ini_reference_test PROPERTIES ENVIRONMENT "LANG=cs_CZ.UTF-8;LC_ALL=cs_CZ.UTF-8")
endif()

# Helper programs for the tests (drivers, tools), built from tests/win32/tools/*.cpp, and the
# benchmark programs run under Wine, from bench/win32/*_bench.cpp.
file(GLOB VKM_WIN32_TOOLS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/tools/*.cpp
  ${CMAKE_SOURCE_DIR}/bench/win32/*_bench.cpp)
foreach(src ${VKM_WIN32_TOOLS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE vkm_win32 winmm)
  target_link_options(${name} PRIVATE -municode)
endforeach()

# Tests under Wine written as shell scripts (end to end): tests/e2e/*.sh.
file(GLOB VKM_E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*_test.sh)
foreach(script ${VKM_E2E_TESTS})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME e2e_${name} COMMAND bash ${script} ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e_${name} PROPERTIES TIMEOUT 600)
endforeach()

# The yardstick of the start-up benchmark: a bare window, linked as the program is.
add_executable(bare_window WIN32 ${CMAKE_SOURCE_DIR}/bench/win32/bare_window.cpp)
if(MINGW)
  target_link_options(bare_window PRIVATE -municode)
endif()

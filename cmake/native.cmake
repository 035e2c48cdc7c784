# Native build: the portable platform, the tests with fakes, the benchmarks.
file(GLOB VKM_PORTABLE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/portable/*.cpp)
add_library(vkm_portable STATIC ${VKM_PORTABLE_SOURCES})
target_link_libraries(vkm_portable PUBLIC vkm_logic)

find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB VKM_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(vkm_tests ${VKM_NATIVE_TESTS} ${CMAKE_SOURCE_DIR}/vkmcheck/vkmcheck.cpp)
target_include_directories(vkm_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
# libebur128, the field's reference for loudness and true peak, checks our measures in the tests
# only; the programs keep their own.
find_library(VKM_EBUR128_LIBRARY ebur128 REQUIRED)
find_path(VKM_EBUR128_INCLUDE ebur128.h REQUIRED)
target_include_directories(vkm_tests PRIVATE ${VKM_EBUR128_INCLUDE})
target_link_libraries(vkm_tests PRIVATE vkm_portable GTest::gtest GTest::gtest_main ${VKM_EBUR128_LIBRARY})
gtest_discover_tests(vkm_tests DISCOVERY_TIMEOUT 60)

file(GLOB VKM_BENCHES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_native.cpp)
foreach(src ${VKM_BENCHES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE vkm_portable)
endforeach()
target_sources(repair_native PRIVATE ${CMAKE_SOURCE_DIR}/vkmcheck/vkmcheck.cpp)  # runs the line check

# Fuzz harnesses (fuzz/*_fuzz.cpp). Built with libFuzzer when VKM_LIBFUZZER is on (clang;
# scripts/fuzz.sh); otherwise each runs over its seed corpus (fuzz/corpus/NAME, NAME being the
# harness without "_fuzz") and the test data, as a test: under the sanitizers a crash found once
# stays found.
set(VKM_FUZZ_EXTRA_ini ${CMAKE_SOURCE_DIR}/tests/data/ini ${CMAKE_SOURCE_DIR}/demo/Demo.vkm)
set(VKM_FUZZ_EXTRA_codepage ${CMAKE_SOURCE_DIR}/tests/data/ini)
file(GLOB VKM_FUZZERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*_fuzz.cpp)
foreach(src ${VKM_FUZZERS})
  get_filename_component(name ${src} NAME_WE)
  string(REGEX REPLACE "_fuzz$" "" corpus ${name})
  if(VKM_LIBFUZZER)
    add_executable(${name} ${src})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${name} ${src} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
    add_test(NAME fuzz_replay_${corpus}
             COMMAND ${name} ${CMAKE_SOURCE_DIR}/fuzz/corpus/${corpus} ${VKM_FUZZ_EXTRA_${corpus}})
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE vkm_portable)
endforeach()

# The line check for authors.
add_executable(vkmcheck ${CMAKE_SOURCE_DIR}/vkmcheck/vkmcheck.cpp ${CMAKE_SOURCE_DIR}/vkmcheck/main_portable.cpp)
target_link_libraries(vkmcheck PRIVATE vkm_portable)

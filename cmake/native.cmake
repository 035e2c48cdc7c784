# Native build: the portable platform, the tests with fakes, the benchmarks.
file(GLOB VKM_PORTABLE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/portable/*.cpp)
add_library(vkm_portable STATIC ${VKM_PORTABLE_SOURCES})
target_link_libraries(vkm_portable PUBLIC vkm_logic)

find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB VKM_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(vkm_tests ${VKM_NATIVE_TESTS})
target_include_directories(vkm_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(vkm_tests PRIVATE vkm_portable GTest::gtest GTest::gtest_main)
gtest_discover_tests(vkm_tests DISCOVERY_TIMEOUT 60)

file(GLOB VKM_BENCHES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_native.cpp)
foreach(src ${VKM_BENCHES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE vkm_portable)
endforeach()

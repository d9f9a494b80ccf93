# Shared build settings for every Velko target.

add_library(velko_options INTERFACE)
target_compile_options(velko_options INTERFACE -Wall -Wextra -Werror)
target_include_directories(velko_options INTERFACE ${PROJECT_SOURCE_DIR})
if(VELKO_SANITIZE)
  target_compile_options(velko_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(velko_options INTERFACE -fsanitize=address,undefined)
endif()

# Adds each listed folder that exists and has a CMakeLists.txt.
function(velko_add_optional_subdirectories)
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${PROJECT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# A library made of every .cpp under the calling folder (recursively), minus
# the folders given in EXCLUDE.
function(velko_glob_sources out)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/${ex}/")
  endforeach()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()

# The environment of every test: where the program folder and the source
# tree are. gtest_discover_tests passes each item of a property's list on as
# an argument of its own, so each variable goes in a property of its own.
set(VELKO_TEST_ENVIRONMENT
  ENVIRONMENT "VELKO_BIN_DIR=${VELKO_BIN_DIR}"
  ENVIRONMENT_MODIFICATION "VELKO_SOURCE_DIR=set:${PROJECT_SOURCE_DIR}")

# One GoogleTest program per test folder: every *.cpp directly in the folder.
# Tests run with their working folder set to a fresh temporary folder by the
# test fixtures themselves, never inside the source tree.
function(velko_add_test_program name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE velko_options ${ARG_LIBS} velko_test_main GTest::gtest Threads::Threads)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    PROPERTIES ${VELKO_TEST_ENVIRONMENT}
    DISCOVERY_TIMEOUT 60)
endfunction()

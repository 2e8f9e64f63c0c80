# kv_glob_library(<target> DIRS <dir>... [DEPS <lib>...])
# One static library from every .cpp (and .c) directly inside the given folders.
function(kv_glob_library target)
  cmake_parse_arguments(A "" "" "DIRS;DEPS" ${ARGN})
  set(srcs)
  foreach(d ${A_DIRS})
    file(GLOB s CONFIGURE_DEPENDS ${d}/*.cpp ${d}/*.c)
    list(APPEND srcs ${s})
  endforeach()
  if(NOT srcs)
    # A folder that holds only headers so far still gives a target to link.
    set(stub ${CMAKE_CURRENT_BINARY_DIR}/${target}_empty.cpp)
    file(WRITE ${stub} "// no sources yet\n")
    list(APPEND srcs ${stub})
  endif()
  add_library(${target} STATIC ${srcs})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${A_DEPS})
endfunction()

# kv_test_folder(<folder> DEPS <lib>... [COST <n>]): one GoogleTest program per
# tests/ folder. A folder of long tests gives them a cost, so that ctest
# starts them before the short ones (a clean build has no timings of its own).
function(kv_test_folder folder)
  cmake_parse_arguments(A "" "COST" "DEPS" ${ARGN})
  if(NOT A_COST)
    set(A_COST 0)
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  set(target test_${folder})
  add_executable(${target} ${srcs})
  target_link_libraries(${target} PRIVATE ${A_DEPS} kv_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${target}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;KIVZO_TOOLS=${CMAKE_BINARY_DIR}/tools" COST ${A_COST}
    DISCOVERY_TIMEOUT 60)
endfunction()

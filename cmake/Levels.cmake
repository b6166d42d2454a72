# One static library per core folder. Sources are picked up by glob so that a new
# class needs no build edit; CONFIGURE_DEPENDS re-runs the glob on every build.
# Core targets get no Qt include path: an accidental #include <Q...> fails to compile,
# and tests/levels_check.cmake rejects includes of a higher level.
function(vt_core_level target folder)
  file(GLOB sources CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  if(NOT sources)
    set(sources ${PROJECT_SOURCE_DIR}/cmake/level_anchor.cpp)
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_features(${target} PUBLIC cxx_std_20)
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  if(ARGN)
    target_link_libraries(${target} PUBLIC ${ARGN})
  endif()
endfunction()

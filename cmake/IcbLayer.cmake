# One static library per layer folder, built from the sources found in that folder (not its
# subfolders). A folder without sources yet becomes an interface library so the layers above link.
function(icb_layer name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  if(cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# One GoogleTest executable per test folder, named after the layer; every *.cpp in the folder.
function(icb_tests name)
  cmake_parse_arguments(ARG "SCHOOL_SERVER" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  if(NOT cpp)
    return()
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${ICB_TEST_SUPPORT_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} icb_test_support GTest::gtest)
  target_compile_definitions(${name} PRIVATE
    ICB_SOURCE_DIR="${PROJECT_SOURCE_DIR}" ICB_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # The generated test schools (tests/fixtures) exist before any test runs.
  if(TARGET icb_school_fixtures)
    add_dependencies(${name} icb_school_fixtures)
  endif()
  set(properties)
  if(ARG_SCHOOL_SERVER)
    # Tests that reach the SQL Server dialect test server: the fixture starts it once per run and
    # ODBCSYSINI selects the ODBC driver and DSN files it writes (DSNs icb_tiny and icb_demo).
    # One at a time: the server garbles date-times when two sessions read at once.
    set(properties FIXTURES_REQUIRED school_server RESOURCE_LOCK school_server
                   ENVIRONMENT "ODBCSYSINI=${PROJECT_BINARY_DIR}/fixtures/server")
  endif()
  # Each test carries the name of its executable as a label, so that a part of the suite can be run
  # by executable (ctest -L engine_tests), as the sanitizer runs do.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES PROPERTIES LABELS ${name} ${properties})
endfunction()

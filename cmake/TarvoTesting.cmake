# Test helpers: GoogleTest for both builds, and the Wine prefix that every
# Windows test of a run shares.

function(tarvo_find_gtest)
  if(CMAKE_CROSSCOMPILING)
    # Debian ships GoogleTest's sources; build them with the cross compiler.
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    # Its CMake project defines GTest::gtest itself.
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  else()
    find_package(GTest REQUIRED)
  endif()
endfunction()

set(TARVO_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix)

# The fixture that makes a fresh Wine prefix before the Windows tests and ends
# its server after them.
function(tarvo_add_wine_fixture)
  add_test(NAME wine_prefix_create
    COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-prefix create ${TARVO_WINEPREFIX})
  add_test(NAME wine_prefix_stop
    COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-prefix stop ${TARVO_WINEPREFIX})
  set_tests_properties(wine_prefix_create PROPERTIES FIXTURES_SETUP wine_prefix)
  set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine_prefix)
endfunction()

# Marks tests that run Windows programs: they need the run's Wine prefix.
function(tarvo_use_wine)
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(${ARGN} PROPERTIES
      FIXTURES_REQUIRED wine_prefix
      ENVIRONMENT "WINEPREFIX=${TARVO_WINEPREFIX};WINEDEBUG=-all")
  endif()
endfunction()

# A GoogleTest program. On Linux each test case is its own ctest test; under
# Wine the program runs once with all its cases, since every start of a Windows
# program costs far more than a case. Test properties given after PROPERTIES
# apply to each of its tests (under Wine they must not set ENVIRONMENT, which
# holds the Wine prefix).
function(tarvo_add_gtest name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "PROPERTIES")
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE GTest::gtest tarvo_test_main)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    tarvo_use_wine(${name})
    if(arg_PROPERTIES)
      set_tests_properties(${name} PROPERTIES ${arg_PROPERTIES})
    endif()
  else()
    include(GoogleTest)
    if(arg_PROPERTIES)
      set(properties PROPERTIES ${arg_PROPERTIES})
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST ${properties})
  endif()
endfunction()

# The throwaway PostgreSQL cluster (tests/fixtures/pg-cluster) of a build
# tree: started before the first test that needs it and stopped after the
# last, whatever the tests did. Each build tree has its own, so the Windows
# run never depends on the Linux one. The tests find its state folder ("port",
# "password", "ca.crt") in TARVO_TEST_POSTGRES, under Wine as a Windows
# path (drive Z: is the root of the Linux file system).
set(TARVO_POSTGRES_STATE ${CMAKE_BINARY_DIR}/postgres)

function(tarvo_add_postgres_fixture)
  set(pg_cluster ${CMAKE_SOURCE_DIR}/tests/fixtures/pg-cluster)
  add_test(NAME postgres_start COMMAND ${pg_cluster} start ${TARVO_POSTGRES_STATE})
  add_test(NAME postgres_stop COMMAND ${pg_cluster} stop ${TARVO_POSTGRES_STATE})
  set_tests_properties(postgres_start PROPERTIES FIXTURES_SETUP postgres)
  set_tests_properties(postgres_stop PROPERTIES FIXTURES_CLEANUP postgres)
endfunction()

# The variable that names the cluster's state folder to a test.
function(tarvo_postgres_environment out)
  if(CMAKE_CROSSCOMPILING)
    set(${out} TARVO_TEST_POSTGRES=Z:${TARVO_POSTGRES_STATE} PARENT_SCOPE)
  else()
    set(${out} TARVO_TEST_POSTGRES=${TARVO_POSTGRES_STATE} PARENT_SCOPE)
  endif()
endfunction()

# Marks tests that need the cluster (tests already added that are no
# GoogleTest program: JVM runs, for example).
function(tarvo_use_postgres)
  tarvo_postgres_environment(environment)
  set_property(TEST ${ARGN} APPEND PROPERTY FIXTURES_REQUIRED postgres)
  set_property(TEST ${ARGN} APPEND PROPERTY ENVIRONMENT ${environment})
endfunction()

# A GoogleTest program of the database session: it links libpq (on Windows
# libpq.dll, copied beside the test programs) and needs the cluster.
# Arguments as tarvo_add_gtest; its PROPERTIES must not set FIXTURES_REQUIRED
# or ENVIRONMENT.
function(tarvo_add_db_gtest name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "PROPERTIES")
  if(CMAKE_CROSSCOMPILING)
    tarvo_add_gtest(${name} ${arg_UNPARSED_ARGUMENTS} PROPERTIES ${arg_PROPERTIES})
    tarvo_use_postgres(${name})
  else()
    tarvo_postgres_environment(environment)
    tarvo_add_gtest(${name} ${arg_UNPARSED_ARGUMENTS} PROPERTIES
      FIXTURES_REQUIRED postgres ENVIRONMENT ${environment} ${arg_PROPERTIES})
  endif()
  target_link_libraries(${name} PRIVATE tarvo_libpq)
endfunction()

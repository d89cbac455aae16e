# nv_add_test(name SOURCES ... LIBS ... [LABELS label])
# One GoogleTest executable per unit group; every case becomes a CTest test carrying the label.
# Label "threads" marks the tests that the ThreadSanitizer build runs.
function(nv_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    # The discovery step passes properties on a command line that splits lists, so a second
    # label would silently become a property name and the first label would be all there is.
    list(LENGTH T_LABELS label_count)
    if(label_count GREATER 1)
        message(FATAL_ERROR "nv_add_test(${name}): one label only, got ${T_LABELS}")
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    gtest_discover_tests(${name} PROPERTIES LABELS "${T_LABELS}" DISCOVERY_TIMEOUT 60)
    if("threads" IN_LIST T_LABELS)
        set_property(GLOBAL APPEND PROPERTY NV_THREAD_TESTS ${name})
    endif()
endfunction()

# thread_tests builds just the executables the ThreadSanitizer run needs.
function(nv_add_thread_tests_target)
    get_property(targets GLOBAL PROPERTY NV_THREAD_TESTS)
    add_custom_target(thread_tests DEPENDS ${targets})
endfunction()

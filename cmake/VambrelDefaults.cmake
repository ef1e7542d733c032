# Warnings and common settings for every target of the project.
function(vambrel_defaults target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
        -Wcast-align -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough)
    if(VAMBREL_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    target_compile_definitions(${target} PRIVATE
        QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING
        QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_NO_KEYWORDS)
endfunction()

# Every tst_*.cpp in DIR becomes one QtTest executable linked to LIBS, run by CTest.
function(vambrel_add_tests dir)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB test_sources CONFIGURE_DEPENDS "${dir}/tst_*.cpp")
    foreach(src IN LISTS test_sources)
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src})
        target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
        target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
        target_compile_definitions(${name} PRIVATE
            VAMBREL_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
            VAMBREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
            VAMBREL_BINARY_DIR="${PROJECT_BINARY_DIR}")
        vambrel_defaults(${name})
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1"
            TIMEOUT 300)
    endforeach()
endfunction()

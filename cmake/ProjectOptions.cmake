# One interface target carries the warning flags, the strict Qt defines and
# the sanitizer switches; every target of the project links it.
add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE -Wall -Wextra)
if(PW_WERROR)
    target_compile_options(project_options INTERFACE -Werror)
endif()
target_compile_definitions(project_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH
    QT_NO_KEYWORDS)
if(PW_SANITIZE)
    target_compile_options(project_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()

# Adds a GoogleTest executable and registers its tests with CTest.
# Usage: project_add_gtest(NAME name SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l] [ENV K=V ...])
function(project_add_gtest)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE project_options ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    set(_labels)
    if(T_LABELS)
        set(_labels LABELS "${T_LABELS}")
    endif()
    # The test's environment is set by running it through env(1): a list in
    # the ENVIRONMENT property would be split apart by test discovery.
    set_target_properties(${T_NAME} PROPERTIES CROSSCOMPILING_EMULATOR
                          "env;QT_QPA_PLATFORM=offscreen;${T_ENV}")
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 ${_labels})
endfunction()

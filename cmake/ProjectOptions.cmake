# One interface target carries the warning flags, the strict Qt defines and
# the sanitizer switches; every target of the project links it.
add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor
                       -Woverloaded-virtual)
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
# LLVM's linker links a test program four times faster than GNU ld; the
# products of the normal flavour keep Debian's linker.
find_program(PW_LLD ld.lld)
if(PW_SANITIZE)
    target_compile_options(project_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(project_options INTERFACE -fsanitize=address,undefined)
    if(PW_LLD)
        target_link_options(project_options INTERFACE -fuse-ld=lld)
    endif()
endif()

# The headers that nearly every test program includes, GoogleTest's and the
# most used Qt classes', are compiled once, in project_test_pch, and every
# test program reuses them (REUSE_FROM). GCC takes a precompiled header only
# when the flags that shape it match (-fPIC, the sanitizers, the standard),
# so each test program links the same Qt modules as this target; the
# project's own -D names appear in none of these headers. A mismatch is a
# warning (the header is then read as text), not an error: it costs time,
# not correctness.
function(project_add_test_pch)
    if(NOT BUILD_TESTING OR PW_FUZZ)
        return()
    endif()
    set(source ${CMAKE_BINARY_DIR}/project_test_pch.cpp)
    if(NOT EXISTS ${source})
        file(WRITE ${source} "// Holds the test programs' precompiled headers.\n")
    endif()
    add_library(project_test_pch STATIC ${source})
    target_link_libraries(project_test_pch PRIVATE project_options ${PW_TEST_PCH_QT}
                          GTest::gtest GTest::gmock)
    target_compile_options(project_test_pch PRIVATE -Wno-error=invalid-pch)
    target_precompile_headers(project_test_pch PRIVATE
        <gtest/gtest.h> <gmock/gmock.h>
        <QApplication> <QByteArray> <QCoreApplication> <QDir> <QFile> <QFileInfo> <QObject>
        <QProcess> <QString> <QStringList> <QTemporaryDir> <QTimer> <QWidget>
        <functional> <map> <memory> <string> <vector>)
endfunction()
set(PW_TEST_PCH_QT Qt6::Widgets Qt6::Network)

# Adds a GoogleTest executable and registers its tests with CTest.
# Usage: project_add_gtest(NAME name SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l] [ENV K=V ...])
# Without BUILD_TESTING the executable is still declared (other rules name
# it) but left out of the build.
function(project_add_gtest)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    project_test_code(${T_NAME})
    target_link_libraries(${T_NAME} PRIVATE project_options ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    if(NOT BUILD_TESTING)
        set_target_properties(${T_NAME} PROPERTIES EXCLUDE_FROM_ALL ON)
        return()
    endif()
    if(NOT PW_FUZZ)
        target_link_libraries(${T_NAME} PRIVATE ${PW_TEST_PCH_QT})
        target_compile_options(${T_NAME} PRIVATE -Wno-error=invalid-pch)
        target_precompile_headers(${T_NAME} REUSE_FROM project_test_pch)
    endif()
    # ctest starts the costliest tests first. A fresh build folder has no
    # measured costs: without these, the tests that run a whole session,
    # declared last, would start last and run on alone at the end.
    set(_cost)
    if(T_LABELS MATCHES "e2e|integration|x11|wayland")
        set(_cost COST 10)
    endif()
    # The test's environment is set by running it through env(1): a list in
    # the ENVIRONMENT property would be split apart by test discovery.
    set_target_properties(${T_NAME} PROPERTIES CROSSCOMPILING_EMULATOR
                          "env;QT_QPA_PLATFORM=offscreen;${T_ENV}")
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 ${_cost})
    # The labels go on once the tests are discovered: a list among discovery's properties keeps
    # only its first element (the rest is read as other properties).
    if(T_LABELS)
        set(_file "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_labels.cmake")
        file(WRITE "${_file}" "if(DEFINED ${T_NAME}_TESTS)\n"
             "  set_tests_properties(\${${T_NAME}_TESTS} PROPERTIES LABELS \"${T_LABELS}\")\n"
             "endif()\n")
        set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${_file}")
    endif()
endfunction()

# Without BUILD_TESTING: empty stand-ins for GoogleTest's and QtTest's
# targets, so that the rules of test targets still configure; those targets
# are then left out of the build by project_leave_tests_out_of_all().
macro(project_stand_in_test_libraries)
    foreach(name GTest::gtest GTest::gmock GTest::gtest_main Qt6::Test)
        if(NOT TARGET ${name})
            add_library(${name} INTERFACE IMPORTED)
        endif()
    endforeach()
endmacro()

# Every target the project's folders declare, into the variable named by OUT.
function(project_all_targets out)
    set(dirs ${CMAKE_SOURCE_DIR})
    set(targets)
    while(dirs)
        list(POP_FRONT dirs dir)
        get_property(sub DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
        get_property(here DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
        list(APPEND dirs ${sub})
        list(APPEND targets ${here})
    endwhile()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Declares TARGETs test code (test servers, sessions, fakes, helper programs)
# where they are added; project_add_gtest does so for its programs. Test code
# is compiled as the test programs are and left out of the build without
# BUILD_TESTING.
function(project_test_code)
    set_target_properties(${ARGN} PROPERTIES PW_TEST_CODE ON)
endfunction()

# The targets of the project declared test code, or that link a test library
# or such a target, directly or through another target of the project, into
# the variable named by OUT.
function(project_test_targets out)
    project_all_targets(targets)
    set(test_libs GTest::gtest GTest::gmock GTest::gtest_main Qt6::Test)
    set(found)
    foreach(t IN LISTS targets)
        get_target_property(declared ${t} PW_TEST_CODE)
        if(declared)
            list(REMOVE_ITEM targets ${t})
            list(APPEND test_libs ${t})
            list(APPEND found ${t})
        endif()
    endforeach()
    set(changed TRUE)
    while(changed)
        set(changed FALSE)
        foreach(t IN LISTS targets)
            get_target_property(links ${t} LINK_LIBRARIES)
            get_target_property(ilinks ${t} INTERFACE_LINK_LIBRARIES)
            foreach(l IN LISTS links ilinks)
                if(l AND NOT l MATCHES "-NOTFOUND$" AND l IN_LIST test_libs)
                    list(REMOVE_ITEM targets ${t})
                    list(APPEND test_libs ${t})
                    list(APPEND found ${t})
                    set(changed TRUE)
                    break()
                endif()
            endforeach()
        endforeach()
    endwhile()
    set(${out} ${found} PARENT_SCOPE)
endfunction()

# Leaves every test target out of `all` (the build without BUILD_TESTING).
function(project_leave_tests_out_of_all)
    project_test_targets(targets)
    foreach(t IN LISTS targets)
        get_target_property(type ${t} TYPE)
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            set_target_properties(${t} PROPERTIES EXCLUDE_FROM_ALL ON)
        endif()
    endforeach()
endfunction()

# Test programs and their helpers are compiled for a short build rather than
# for speed: -g1 keeps the line numbers backtraces and sanitizer reports
# need, and where the products are optimised, -Og keeps the tests
# debuggable and _FORTIFY_SOURCE working at a third of -O2's compile time.
# The products keep the flavour's flags: they are what the packages ship.
# Test programs link with lld where it is installed.
# The precompiled test headers are among these targets, so the flags that
# shape them still match.
function(project_apply_test_options)
    set(options -g1)
    if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
        list(PREPEND options -Og)
    endif()
    project_test_targets(targets)
    foreach(t IN LISTS targets)
        get_target_property(type ${t} TYPE)
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            target_compile_options(${t} PRIVATE ${options})
        endif()
        # The tests' own libraries take the test programs' precompiled
        # headers too, with the modules and libraries that shape them (their
        # users, test programs, link all of these already).
        get_target_property(reused ${t} PRECOMPILE_HEADERS_REUSE_FROM)
        if(type STREQUAL "STATIC_LIBRARY" AND NOT reused AND NOT t STREQUAL "project_test_pch")
            target_link_libraries(${t} PRIVATE ${PW_TEST_PCH_QT} GTest::gtest GTest::gmock)
            target_compile_options(${t} PRIVATE -Wno-error=invalid-pch)
            target_precompile_headers(${t} REUSE_FROM project_test_pch)
        endif()
        if(type STREQUAL "EXECUTABLE" AND PW_LLD)
            target_link_options(${t} PRIVATE -fuse-ld=lld)
        endif()
    endforeach()
endfunction()

# The products' precompiled headers. Parsing Qt's headers is most of the
# time of compiling a product source (a source that includes only <QString>
# and <QDir> reads 500 headers), so the most used ones are compiled once per
# flavour: project_core_pch for every product that uses Qt, and
# project_widgets_pch, with the widget classes added, for those that use
# Qt Widgets. A precompiled header is taken only where the macros defined
# when it was made are defined the same way, and Qt's QT_<MODULE>_LIB
# macros are; the headers below read none of them, so a product that uses
# further modules (and has more of those macros) takes the header all the
# same.
set(PW_CORE_PCH_HEADERS
    <QByteArray> <QCoreApplication> <QDateTime> <QDir> <QFile> <QFileInfo> <QHash>
    <QLocale> <QLoggingCategory> <QObject> <QPointer> <QRegularExpression> <QSaveFile>
    <QString> <QStringList> <QTimer> <QUrl> <QVariant>
    <algorithm> <chrono> <functional> <map> <memory> <optional> <stdexcept> <string>
    <string_view> <utility> <vector>)
set(PW_WIDGETS_PCH_HEADERS
    <QApplication> <QColor> <QGuiApplication> <QIcon> <QLabel> <QMessageBox> <QPainter>
    <QPixmap> <QPushButton> <QRect> <QScreen> <QStyle> <QWidget>)

function(project_add_product_pch)
    if(PW_FUZZ)
        return()
    endif()
    foreach(kind core widgets)
        set(source ${CMAKE_BINARY_DIR}/project_${kind}_pch.cpp)
        if(NOT EXISTS ${source})
            file(WRITE ${source} "// Holds the products' precompiled headers.\n")
        endif()
        add_library(project_${kind}_pch STATIC ${source})
        target_link_libraries(project_${kind}_pch PRIVATE project_options)
    endforeach()
    target_link_libraries(project_core_pch PRIVATE Qt6::Core)
    target_precompile_headers(project_core_pch PRIVATE ${PW_CORE_PCH_HEADERS})
    target_link_libraries(project_widgets_pch PRIVATE Qt6::Widgets)
    target_precompile_headers(project_widgets_pch PRIVATE ${PW_CORE_PCH_HEADERS}
                              ${PW_WIDGETS_PCH_HEADERS})
endfunction()

# Into OUT: "widgets" when TARGET compiles against Qt Widgets, "core" when
# against any other Qt module, else nothing. Follows the project's own
# libraries' usage requirements (what $<LINK_ONLY:...> hides does not
# reach the compiler).
function(project_qt_use target out)
    set(queue ${target})
    set(seen)
    set(use)
    while(queue)
        list(POP_FRONT queue t)
        if(t IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${t})
        if(t STREQUAL "Qt6::Widgets")
            set(use widgets)
            break()
        elseif(t MATCHES "^Qt6::")
            set(use core)
            continue()
        endif()
        if(NOT TARGET ${t})
            # An imported target of another directory (pkg-config's) is not
            # seen from here, nor its flags.
            if(t MATCHES "::")
                set(use)
                break()
            endif()
            continue()
        endif()
        get_target_property(imported ${t} IMPORTED)
        if(imported)
            # A library whose flags define macros (FluidSynth's _XOPEN_SOURCE)
            # shapes the system headers differently: no precompiled header.
            get_target_property(defines ${t} INTERFACE_COMPILE_DEFINITIONS)
            get_target_property(options ${t} INTERFACE_COMPILE_OPTIONS)
            if(defines OR options MATCHES "(^|;)-D")
                set(use)
                break()
            endif()
            continue()
        endif()
        set(links)
        if(t STREQUAL target)
            get_target_property(links ${t} LINK_LIBRARIES)
            # Nor where the target defines or undefines macros itself.
            get_target_property(options ${t} COMPILE_OPTIONS)
            if(options MATCHES "(^|;)-[DU]")
                set(use)
                break()
            endif()
        endif()
        get_target_property(ilinks ${t} INTERFACE_LINK_LIBRARIES)
        foreach(l IN LISTS links ilinks)
            if(l AND NOT l MATCHES "NOTFOUND$" AND NOT l MATCHES "^\\$<")
                list(APPEND queue ${l})
            endif()
        endforeach()
    endwhile()
    set(${out} ${use} PARENT_SCOPE)
endfunction()

# Gives every product that uses Qt the precompiled headers that fit it.
function(project_apply_product_pch)
    if(PW_FUZZ)
        return()
    endif()
    project_test_targets(tests)
    project_all_targets(all)
    foreach(t IN LISTS all)
        get_target_property(type ${t} TYPE)
        if(t IN_LIST tests OR t MATCHES "^project_.*_pch$" OR type STREQUAL "INTERFACE_LIBRARY"
           OR type STREQUAL "UTILITY")
            continue()
        endif()
        get_target_property(own ${t} PRECOMPILE_HEADERS)
        get_target_property(reused ${t} PRECOMPILE_HEADERS_REUSE_FROM)
        if(own OR reused)
            continue()
        endif()
        project_qt_use(${t} use)
        if(use)
            target_precompile_headers(${t} REUSE_FROM project_${use}_pch)
        endif()
    endforeach()
endfunction()

# The programs' translations: Qt's lupdate and lrelease, .ts files in one
# translations/ folder per program, .qm files beside the executables in the
# build tree (as in a program folder) and in share/<program>/translations of
# the packages.

find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

set(PW_LANGUAGES de fr es)

# Qt's own texts that the programs show (the standard buttons, the message
# box's details button, the context menus of text fields), taken from Qt's
# catalogues at build time, so that a program carries them where Qt's
# translations are not installed.
set(PW_QT_CONTEXTS QPlatformTheme QMessageBox QDialogButtonBox QLineEdit QWidgetTextControl)
set(PW_QT_CATALOGUES ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS})

# project_qt_texts(FOLDER OUT_VAR): makes FOLDER/qtbase_<language>.qm with
# those texts for each shipped language; OUT_VAR names the files.
function(project_qt_texts folder out_var)
    set(made)
    foreach(language IN LISTS PW_LANGUAGES)
        set(catalogue ${PW_QT_CATALOGUES}/qtbase_${language}.qm)
        if(NOT EXISTS ${catalogue})
            message(WARNING "${catalogue} is missing (qt6-translations-l10n): the programs "
                            "carry no Qt texts in ${language}")
            continue()
        endif()
        set(stem ${folder}/qtbase_${language})
        add_custom_command(OUTPUT ${stem}.qm
            COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
            COMMAND Qt6::lconvert -i ${catalogue} -o ${stem}.all.ts
            COMMAND pw-qt-contexts ${stem}.all.ts ${stem}.ts ${PW_QT_CONTEXTS}
            COMMAND Qt6::lrelease -silent ${stem}.ts -qm ${stem}.qm
            DEPENDS pw-qt-contexts ${catalogue} VERBATIM)
        list(APPEND made ${stem}.qm)
    endforeach()
    set(${out_var} ${made} PARENT_SCOPE)
endfunction()

# project_embed_translations(TARGET NAME FILES...): the .qm files inside
# TARGET, under :/i18n.
function(project_embed_translations target name)
    set(aliased)
    foreach(file IN LISTS ARGN)
        get_filename_component(alias ${file} NAME)
        set_source_files_properties(${file} PROPERTIES QT_RESOURCE_ALIAS ${alias})
    endforeach()
    qt_add_resources(${target} ${name} PREFIX /i18n FILES ${ARGN})
endfunction()

# project_add_translations(PROGRAM name TARGETS exe... SOURCE_DIRS dir...
#                          [EMBED exe...])
#
# Texts are looked for in every .cpp, .h and .ui below SOURCE_DIRS (relative to
# the project root) except tests, their support and tools no user runs.
# Targets: <PROGRAM>_lupdate refreshes <PROGRAM>_{de,fr,es}.ts and the English
# plural forms in <PROGRAM>_en.ts; the .qm files are made with the first of
# TARGETS. The programs of EMBED carry them inside (with Qt's own texts), for
# a copy of the program that lies alone in a folder. The test
# <PROGRAM>_translations_complete fails while a .ts is not what lupdate makes
# of the sources or holds an unfinished entry.
function(project_add_translations)
    cmake_parse_arguments(T "" "PROGRAM" "TARGETS;SOURCE_DIRS;EMBED" ${ARGN})
    set(program ${T_PROGRAM})
    set(ts_folder ${PROJECT_SOURCE_DIR}/${program}/translations)
    set(qm_folder ${PROJECT_BINARY_DIR}/translations/${program})
    list(GET T_TARGETS 0 first)

    set(sources)
    foreach(dir IN LISTS T_SOURCE_DIRS)
        file(GLOB_RECURSE found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp
             ${PROJECT_SOURCE_DIR}/${dir}/*.h ${PROJECT_SOURCE_DIR}/${dir}/*.ui)
        list(FILTER found EXCLUDE REGEX
             "/(tests|testing|bench|e2e|fuzz|demo|example|designer|tools)/")
        list(APPEND sources ${found})
    endforeach()
    list(SORT sources)

    set(shipped_ts)
    foreach(language IN LISTS PW_LANGUAGES)
        list(APPEND shipped_ts ${ts_folder}/${program}_${language}.ts)
    endforeach()
    set(plural_ts ${ts_folder}/${program}_en.ts)
    set_source_files_properties(${shipped_ts} ${plural_ts} PROPERTIES OUTPUT_LOCATION ${qm_folder})
    set(lupdate_options -locations none -no-obsolete)
    qt_add_translations(${first} TS_FILES ${shipped_ts} SOURCES ${sources}
                        INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}
                        LUPDATE_OPTIONS ${lupdate_options} QM_FILES_OUTPUT_VARIABLE shipped_qm)
    # English needs only its plural forms ("1 file", "2 files").
    add_custom_target(${program}_plural_forms)
    qt_add_lupdate(${program}_plural_forms TS_FILES ${plural_ts} SOURCES ${sources}
                   INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}
                   OPTIONS ${lupdate_options} -pluralonly NO_GLOBAL_TARGET)
    add_dependencies(${first}_lupdate ${program}_plural_forms_lupdate)
    qt_add_lrelease(${program}_plural_forms TS_FILES ${plural_ts} QM_FILES_OUTPUT_VARIABLE plural_qm
                    NO_GLOBAL_TARGET)
    set(qm_files ${shipped_qm} ${plural_qm})

    # The .qm files beside every executable, so that the build tree runs as
    # an installed program does.
    set(copies)
    foreach(exe IN LISTS T_TARGETS)
        list(APPEND copies COMMAND ${CMAKE_COMMAND} -E make_directory
             $<TARGET_FILE_DIR:${exe}>/translations
             COMMAND ${CMAKE_COMMAND} -E copy_if_different ${qm_files}
             $<TARGET_FILE_DIR:${exe}>/translations/)
    endforeach()
    set(stamp ${qm_folder}/beside.stamp)
    add_custom_command(OUTPUT ${stamp} ${copies} COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
                       DEPENDS ${qm_files} VERBATIM)
    add_custom_target(${program}_translations_beside DEPENDS ${stamp})
    foreach(exe IN LISTS T_TARGETS)
        add_dependencies(${exe} ${program}_translations_beside)
    endforeach()
    install(FILES ${qm_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/${program}/translations
            COMPONENT ${program})

    # One object library holds them, linked into each program that carries them.
    project_qt_texts(${qm_folder}/qt qt_qm)
    add_library(${program}_embedded_translations OBJECT)
    target_link_libraries(${program}_embedded_translations PRIVATE Qt6::Core)
    project_embed_translations(${program}_embedded_translations ${program}_translations
                               ${qm_files} ${qt_qm})
    foreach(exe IN LISTS T_EMBED)
        target_link_libraries(${exe} PRIVATE ${program}_embedded_translations)
    endforeach()

    if(NOT BUILD_TESTING)
        return()
    endif()
    # The pseudo-language, made from the German file (which holds every text).
    set(pseudo_ts ${qm_folder}/${program}_pseudo.ts)
    set(pseudo_qm ${qm_folder}/${program}_pseudo.qm)
    add_custom_command(OUTPUT ${pseudo_qm}
        COMMAND pw-pseudo-translate ${ts_folder}/${program}_de.ts ${pseudo_ts}
        COMMAND Qt6::lrelease -silent ${pseudo_ts} -qm ${pseudo_qm}
        DEPENDS pw-pseudo-translate ${ts_folder}/${program}_de.ts VERBATIM)
    add_custom_target(${program}_pseudo DEPENDS ${pseudo_qm})

    set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${program}_sources.lst)
    string(REPLACE ";" "\n" lines "-I${PROJECT_SOURCE_DIR};${sources}")
    file(GENERATE OUTPUT ${list_file} CONTENT "${lines}\n")
    add_test(NAME ${program}_translations_complete
             COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-translations.sh $<TARGET_FILE:Qt6::lupdate>
                     ${list_file} ${program}_lupdate ${shipped_ts} ${plural_ts})
endfunction()

# A test of windows in the shipped languages and the pseudo-language finds the
# .qm files of PROGRAM in the folder PW_TRANSLATIONS_FOLDER names.
function(project_test_translations target program)
    if(NOT BUILD_TESTING)
        return()
    endif()
    add_dependencies(${target} ${program}_translations_beside ${program}_pseudo)
    target_compile_definitions(${target} PRIVATE
        PW_TRANSLATIONS_FOLDER="${PROJECT_BINARY_DIR}/translations/${program}")
endfunction()

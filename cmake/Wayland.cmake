# Wayland: the client library and wayland-scanner (both from Debian 12's main archive) for the
# test desktop's input tools and tilebay's layer-shell check, and Qt's private Wayland client
# headers (bookworm-backports) for tilebay's layer-shell module.
pkg_check_modules(WAYLAND_CLIENT IMPORTED_TARGET wayland-client)
pkg_get_variable(PW_WAYLAND_SCANNER wayland-scanner wayland_scanner)
pkg_get_variable(PW_WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
set(PW_HAVE_WAYLAND_CLIENT OFF)
if(WAYLAND_CLIENT_FOUND AND PW_WAYLAND_SCANNER)
    set(PW_HAVE_WAYLAND_CLIENT ON)
endif()
# The test desktop's keyboard tool builds its keymap with libxkbcommon.
pkg_check_modules(XKBCOMMON IMPORTED_TARGET xkbcommon)

# Generates the C client header and glue code of protocol description `xml` (and, with QT, the
# C++ classes of Qt's Wayland client over them) and adds them to `target`, with a folder of the
# build tree on its include path.
function(pw_wayland_client_protocol target xml)
    cmake_parse_arguments(P "QT" "" "" ${ARGN})
    get_filename_component(name ${xml} NAME_WE)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/wayland-protocols)
    file(MAKE_DIRECTORY ${dir})
    set(header ${dir}/wayland-${name}-client-protocol.h)
    set(code ${dir}/wayland-${name}-protocol.c)
    add_custom_command(OUTPUT ${header}
        COMMAND ${PW_WAYLAND_SCANNER} client-header ${xml} ${header} DEPENDS ${xml} VERBATIM)
    add_custom_command(OUTPUT ${code}
        COMMAND ${PW_WAYLAND_SCANNER} public-code ${xml} ${code} DEPENDS ${xml} VERBATIM)
    # The project builds C++ only; the glue code compiles as C++ too, after the header's extern
    # declarations, which give its constant interface tables external linkage there (the
    # scanner's visibility mark on the definitions then comes after the declaration: ignored).
    set_source_files_properties(${code} PROPERTIES LANGUAGE CXX
                                COMPILE_OPTIONS "-include;${header};-Wno-attributes"
                                OBJECT_DEPENDS ${header})
    target_sources(${target} PRIVATE ${header} ${code})
    if(P_QT)
        set(qt_header ${dir}/qwayland-${name}.h)
        set(qt_code ${dir}/qwayland-${name}.cpp)
        add_custom_command(OUTPUT ${qt_header}
            COMMAND Qt6::qtwaylandscanner client-header ${xml} > ${qt_header}
            DEPENDS ${xml} Qt6::qtwaylandscanner)
        add_custom_command(OUTPUT ${qt_code}
            COMMAND Qt6::qtwaylandscanner client-code ${xml} > ${qt_code}
            DEPENDS ${xml} Qt6::qtwaylandscanner)
        # Request arguments named as the protocol's enums shadow the classes' enum members.
        set_source_files_properties(${qt_code} PROPERTIES COMPILE_OPTIONS "-Wno-shadow")
        target_sources(${target} PRIVATE ${qt_header} ${qt_code})
    endif()
    target_include_directories(${target} PRIVATE ${dir})
endfunction()

# tilebay's layer-shell module needs Qt's private Wayland client headers.
option(TILEBAY_WAYLAND "Build tilebay's Wayland layer-shell module (needs qt6-wayland-private-dev)"
       ON)
set(TILEBAY_BUILD_WAYLAND OFF)
if(TILEBAY_WAYLAND AND PW_HAVE_WAYLAND_CLIENT)
    find_package(Qt6 6.4 QUIET COMPONENTS WaylandClient WaylandScannerTools)
    if(TARGET Qt6::WaylandClientPrivate AND TARGET Qt6::qtwaylandscanner AND PW_WAYLAND_PROTOCOLS_DIR)
        set(TILEBAY_BUILD_WAYLAND ON)
    else()
        message(STATUS "tilebay's Wayland module is left out: Qt's private Wayland client "
                       "headers (qt6-wayland-private-dev) or wayland-protocols are missing")
    endif()
endif()

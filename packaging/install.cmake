# What `cmake --install` puts under the prefix, and the Debian package made from the same rules
# (`make deb`). Nothing is installed outside the prefix.
include(GNUInstallDirs)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
option(DRAVIK_PACKAGE "Install as a distribution package: compressed manual pages, copyright, changelog" OFF)

# The desktop icons, drawn at build time from the program's icon data.
find_package(ZLIB REQUIRED)
add_executable(dravik-make-icon packaging/make_icons.cpp resources/icon.cpp resources/icon_colour.cpp)
target_include_directories(dravik-make-icon PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(dravik-make-icon PRIVATE ${DRAVIK_WARNINGS})
target_link_libraries(dravik-make-icon PRIVATE ZLIB::ZLIB)
set(DRAVIK_ICON_SIZES 16 32 48 64 128 256)
set(icon_files)
foreach(size ${DRAVIK_ICON_SIZES})
    set(out ${CMAKE_BINARY_DIR}/icons/${size}x${size}/dravik.png)
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
        COMMAND dravik-make-icon ${size} ${out}
        DEPENDS dravik-make-icon VERBATIM)
    list(APPEND icon_files ${out})
    install(FILES ${out} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
set(svg ${CMAKE_BINARY_DIR}/icons/scalable/dravik.svg)
add_custom_command(OUTPUT ${svg}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/scalable
    COMMAND dravik-make-icon svg ${svg}
    DEPENDS dravik-make-icon VERBATIM)
install(FILES ${svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(doc_files ${CMAKE_SOURCE_DIR}/README.md)
set(man_files ${CMAKE_SOURCE_DIR}/packaging/dravik.1 ${CMAKE_SOURCE_DIR}/packaging/dravik-tool.1)
if(DRAVIK_PACKAGE)
    # Debian wants manual pages and the changelog compressed, and the copyright beside them.
    find_program(GZIP gzip REQUIRED)
    set(gz_files)
    foreach(page dravik.1 dravik-tool.1)
        add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
            COMMAND ${GZIP} -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/${page} > ${CMAKE_BINARY_DIR}/man/${page}.gz
            DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${page})
        list(APPEND gz_files ${CMAKE_BINARY_DIR}/man/${page}.gz)
    endforeach()
    set(man_files ${gz_files})
    string(TIMESTAMP DRAVIK_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
        COMMAND ${GZIP} -9 -n -c ${CMAKE_BINARY_DIR}/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
        DEPENDS ${CMAKE_BINARY_DIR}/changelog)
    list(APPEND gz_files ${CMAKE_BINARY_DIR}/changelog.gz)
    list(APPEND doc_files ${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/changelog.gz)
endif()
add_custom_target(dravik-install-files ALL DEPENDS ${icon_files} ${svg} ${gz_files})

install(TARGETS dravik dravik-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${man_files} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/dravik.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${doc_files} DESTINATION ${CMAKE_INSTALL_DOCDIR})

# `make deb`: CPack's DEB generator, so the version, files and rules above are the package's
# without a second description of them in a debian/ directory.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dravik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "image viewer and album manager for photographs and DICOM")
set(CPACK_PACKAGE_DESCRIPTION
    "dravik shows JPEG and DICOM images (multi-frame series, lossless and lossy\n"
    "JPEG, JPEG-LS, JPEG 2000 and RLE compressed pixel data, Hounsfield windowing\n"
    "of CT values) with a file box and live preview, zoom, film playback and the\n"
    "DICOM header fields in a toolbar, saves JPEG, and keeps albums of thumbnails.\n"
    "It speaks German and English. dravik-tool gives the same readers, converters\n"
    "and album functions a command line.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "dravik developers <maintainers@dravik.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps sees only linked libraries; the archive client opens libcurl at its first use.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4")
# The default faces, and a CJK face for the fallback.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, fonts-wqy-zenhei | fonts-noto-cjk")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

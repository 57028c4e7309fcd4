# Installing the program and packaging it: `cmake --install build --prefix P` and
# `cmake --build build --target package`. On Linux a desktop program under P (program,
# desktop entry, icons, AppStream metadata, manual page) and a .deb; on Windows the
# program with the Qt and libcurl DLLs beside it, and an NSIS or WiX installer.
include(GNUInstallDirs)

# The desktop entry's and the AppStream component's name. The program knows an
# installed copy by this desktop entry beside its bin folder.
set(TARNWICK_APP_ID example.tarnwick.Tarnwick)
# The day the release named by the project version came out; set it with the version.
set(TARNWICK_RELEASE_DATE 2026-12-10)
set(TARNWICK_PACKAGE_CONTACT "The Tarnwick developers <packages@tarnwick.example>")
set(TARNWICK_ICONS ${CMAKE_CURRENT_LIST_DIR}/icons)
set(TARNWICK_PACKAGE_FILES ${CMAKE_BINARY_DIR}/package)

target_compile_definitions(tarnwick_app PRIVATE TARNWICK_APP_ID="${TARNWICK_APP_ID}")
target_compile_definitions(tarnwick PRIVATE TARNWICK_VERSION="${PROJECT_VERSION}")

install(TARGETS tarnwick RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The update checker's module, loaded at the first check: beside the program on Windows,
# in TARNWICK_MODULE_DIR (where the program looks for it) elsewhere.
if(TARGET tarnwick_update)
  if(WIN32)
    install(TARGETS tarnwick_update LIBRARY DESTINATION ${CMAKE_INSTALL_BINDIR})
  else()
    install(TARGETS tarnwick_update LIBRARY DESTINATION ${TARNWICK_MODULE_DIR})
  endif()
endif()

if(TARNWICK_WINDOWS_CROSS)
  # The cross build has no windeployqt: the folder of the built program gets the DLLs
  # that it needs to run as it is (Qt's, the platform plugin, the styles, the mingw
  # runtime), and the installed folder the same.
  foreach(tw_dll Qt6Core Qt6Gui Qt6Widgets)
    list(APPEND tw_runtime ${TARNWICK_QT_MINGW}/bin/${tw_dll}.dll)
  endforeach()
  foreach(tw_dll libstdc++-6 libgcc_s_seh-1 libwinpthread-1)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${tw_dll}.dll
                    OUTPUT_VARIABLE tw_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${tw_path}" OR NOT EXISTS "${tw_path}")
      message(FATAL_ERROR "The mingw runtime ${tw_dll}.dll is missing")
    endif()
    list(APPEND tw_runtime ${tw_path})
  endforeach()
  file(GLOB tw_styles ${TARNWICK_QT_MINGW}/plugins/styles/*.dll)
  set(tw_platform ${TARNWICK_QT_MINGW}/plugins/platforms/qwindows.dll)
  add_custom_command(TARGET tarnwick POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${tw_runtime} $<TARGET_FILE_DIR:tarnwick>
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:tarnwick>/platforms $<TARGET_FILE_DIR:tarnwick>/styles
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${tw_platform} $<TARGET_FILE_DIR:tarnwick>/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${tw_styles} $<TARGET_FILE_DIR:tarnwick>/styles)
  install(FILES ${tw_runtime} DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${tw_platform} DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
  install(FILES ${tw_styles} DESTINATION ${CMAKE_INSTALL_BINDIR}/styles)
elseif(WIN32)
  # Qt's libraries, plugins and its own translations (for its dialogs in the user's
  # language), from the kit's windeployqt, into the installed folder.
  if(TARGET Qt6::windeployqt)
    set(tw_windeployqt $<TARGET_FILE:Qt6::windeployqt>)
  else()
    get_target_property(tw_qmake Qt6::qmake IMPORTED_LOCATION)
    get_filename_component(tw_qt_bin "${tw_qmake}" DIRECTORY)
    find_program(TARNWICK_WINDEPLOYQT windeployqt HINTS "${tw_qt_bin}" REQUIRED)
    set(tw_windeployqt ${TARNWICK_WINDEPLOYQT})
  endif()
  install(CODE "
    execute_process(COMMAND \"${tw_windeployqt}\"
                            --dir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\"
                            \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tarnwick.exe\"
                    COMMAND_ERROR_IS_FATAL ANY)")
  # The DLLs of the libraries the program links, and those of the update module: libcurl
  # and the libraries it links (zlib and the TLS library in a vcpkg build), as far as
  # CMake knows them as imported targets. Without them the module does not load and
  # every check fails silently.
  install(FILES $<TARGET_RUNTIME_DLLS:tarnwick> DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(TARGET tarnwick_update)
    install(FILES $<TARGET_RUNTIME_DLLS:tarnwick_update> DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
else()
  set(tw_datadir ${CMAKE_INSTALL_DATADIR})
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/desktop/${TARNWICK_APP_ID}.desktop
          DESTINATION ${tw_datadir}/applications)
  foreach(tw_size 48 64 128 256)
    install(FILES ${TARNWICK_ICONS}/tarnwick-${tw_size}.png
            DESTINATION ${tw_datadir}/icons/hicolor/${tw_size}x${tw_size}/apps RENAME tarnwick.png)
  endforeach()
  install(FILES ${TARNWICK_ICONS}/tarnwick.svg DESTINATION ${tw_datadir}/icons/hicolor/scalable/apps)

  configure_file(${CMAKE_CURRENT_LIST_DIR}/desktop/${TARNWICK_APP_ID}.metainfo.xml.in
                 ${TARNWICK_PACKAGE_FILES}/${TARNWICK_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${TARNWICK_PACKAGE_FILES}/${TARNWICK_APP_ID}.metainfo.xml
          DESTINATION ${tw_datadir}/metainfo)

  # The manual page and the changelog, compressed as Debian keeps them.
  execute_process(COMMAND date -u -d "${TARNWICK_RELEASE_DATE}" "+%a, %d %b %Y 00:00:00 +0000"
                  OUTPUT_VARIABLE TARNWICK_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/package/tarnwick.1.in ${TARNWICK_PACKAGE_FILES}/tarnwick.1 @ONLY)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/package/changelog.in ${TARNWICK_PACKAGE_FILES}/changelog @ONLY)
  foreach(tw_file tarnwick.1 changelog)
    execute_process(COMMAND gzip -9nc ${tw_file} WORKING_DIRECTORY ${TARNWICK_PACKAGE_FILES}
                    OUTPUT_FILE ${TARNWICK_PACKAGE_FILES}/${tw_file}.gz COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  install(FILES ${TARNWICK_PACKAGE_FILES}/tarnwick.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${TARNWICK_PACKAGE_FILES}/changelog.gz DESTINATION ${tw_datadir}/doc/tarnwick)
  # F1 opens the README of an installed copy.
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${tw_datadir}/doc/tarnwick)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/package/copyright.txt DESTINATION ${tw_datadir}/doc/tarnwick
          RENAME copyright)
endif()

# The package.
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR "The Tarnwick developers")
set(CPACK_PACKAGE_CONTACT "${TARNWICK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.tarnwick.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Run Artisan and Composer commands in a Laravel project")
# Lines of at most 80 characters, as Debian's control files keep them.
set(CPACK_PACKAGE_DESCRIPTION
  "Tarnwick is a small desktop program for developers of Laravel web"
  "applications. Pick the folder that holds your web projects and one project"
  "in it, then run php artisan or composer commands in that project from"
  "preset buttons or a command line, and read their output in the window's"
  "console.")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
# The installers' licence page; WiX takes only a .txt or .rtf file.
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_LIST_DIR}/package/copyright.txt)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tarnwick)
set(CPACK_PACKAGE_EXECUTABLES tarnwick Tarnwick)  # Start-menu shortcut on Windows

if(WIN32)
  set(CPACK_GENERATOR NSIS)
  set(CPACK_NSIS_MUI_ICON ${TARNWICK_ICONS}/tarnwick.ico)
  set(CPACK_NSIS_MUI_UNIICON ${TARNWICK_ICONS}/tarnwick.ico)
  set(CPACK_NSIS_INSTALLED_ICON_NAME "${CMAKE_INSTALL_BINDIR}\\\\tarnwick.exe")
  set(CPACK_NSIS_DISPLAY_NAME Tarnwick)
  set(CPACK_NSIS_PACKAGE_NAME Tarnwick)
  set(CPACK_NSIS_URL_INFO_ABOUT "${CPACK_PACKAGE_HOMEPAGE_URL}")
  set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
  # A 64-bit program: under Program Files, from a 64-bit installer (the default 32-bit
  # stub does not start where only 64-bit Windows programs run).
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_NSIS_DEFINES "Target amd64-unicode")
  # WiX: one upgrade code for every version, so that a newer installer replaces an older one.
  set(CPACK_WIX_UPGRADE_GUID 6E0B7C52-3A1F-4E8D-9B26-5C4A81D3F907)
  set(CPACK_WIX_PRODUCT_ICON ${TARNWICK_ICONS}/tarnwick.ico)
  set(CPACK_WIX_PROGRAM_MENU_FOLDER Tarnwick)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARNWICK_PACKAGE_CONTACT}")
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The tools that the preset commands run.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "php-cli, composer")
  # The window needs a platform plugin, which Qt's libraries do not bring by themselves.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  # Qt's own dialogs and buttons in the user's language come from the system's Qt
  # translations; the program's own are built into it.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "${CPACK_DEBIAN_PACKAGE_RECOMMENDS}, qt6-translations-l10n")
endif()

include(CPack)

# The install rules and the package, tried on the built program (`ctest -L install`).
if(NOT WIN32)
  add_test(NAME install_tree
           COMMAND ${CMAKE_SOURCE_DIR}/tests/install/install-tree.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
  add_test(NAME install_package
           COMMAND ${CMAKE_SOURCE_DIR}/tests/install/package.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
  set_tests_properties(install_tree install_package PROPERTIES LABELS install TIMEOUT 300)
endif()

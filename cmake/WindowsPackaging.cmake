# The Windows program's runtime, install rules and packages: the Qt and MinGW DLLs and the Qt
# plugins the program loads, put beside reg01.exe (and beside the test programs) at build time,
# installed with it, and packed by `cpack` into reg01-<version>-win64.exe (NSIS: a program
# folder under Program Files, a Start-menu entry, an uninstaller) and a portable .zip.

# DLLs: MinGW's C++ runtime, the Qt modules the program links and what they link themselves.
set(runtime_dlls)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT EXISTS "${path}")
    find_file(path_found ${dll} PATHS /usr/${MINGW_TRIPLE}/lib NO_CACHE NO_DEFAULT_PATH)
    set(path ${path_found})
  endif()
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "MinGW runtime ${dll} not found")
  endif()
  list(APPEND runtime_dlls ${path})
endforeach()
foreach(module Core Gui Widgets PrintSupport Sql)
  list(APPEND runtime_dlls ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}/Qt6${module}.dll)
endforeach()
# libpq for the server link, found where PostgreSQL's library is.
get_filename_component(pq_lib_dir "${PostgreSQL_LIBRARY}" DIRECTORY)
file(GLOB pq_dlls ${pq_lib_dir}/../bin/libpq*.dll ${pq_lib_dir}/libpq*.dll)
list(APPEND runtime_dlls ${pq_dlls})
# zlib, where libxlsxwriter was linked with MinGW's shared one.
if(EXISTS /usr/${MINGW_TRIPLE}/lib/zlib1.dll)
  list(APPEND runtime_dlls /usr/${MINGW_TRIPLE}/lib/zlib1.dll)
endif()

# Plugins: the window system, the native style, the archive's SQL drivers and the printer's.
# A plugin this Qt was built without is left out; the program then says what it lacks (no
# server link without qsqlpsql).
set(plugin_dir ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
set(runtime_plugins)
foreach(plugin platforms/qwindows.dll styles/qwindowsvistastyle.dll sqldrivers/qsqlite.dll
    sqldrivers/qsqlpsql.dll printsupport/windowsprintersupport.dll)
  if(EXISTS ${plugin_dir}/${plugin})
    list(APPEND runtime_plugins ${plugin})
  endif()
endforeach()
# The test programs also run without a display.
set(test_plugins ${runtime_plugins})
if(EXISTS ${plugin_dir}/platforms/qoffscreen.dll)
  list(APPEND test_plugins platforms/qoffscreen.dll)
endif()

# Qt's own dialogs in Russian: Debian's translation files are the same on every platform.
set(qt_translation /usr/share/qt6/translations/qtbase_ru.qm)
set(win_out ${CMAKE_BINARY_DIR}/windows)
# Where Qt finds its plugins and translations: beside the program, wherever it is installed.
file(WRITE ${win_out}/qt.conf "[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n")

# copy_runtime(TARGET DIR DLLS dlls... PLUGINS plugins...): the DLLs, the plugins, qt.conf and
# the translation into DIR at build time.
function(copy_runtime target dir)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "DLLS;PLUGINS")
  set(commands COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${arg_DLLS} ${win_out}/qt.conf ${dir})
  foreach(plugin ${arg_PLUGINS})
    get_filename_component(sub ${plugin} DIRECTORY)
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/${sub}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${plugin_dir}/${plugin} ${dir}/${sub})
  endforeach()
  if(EXISTS ${qt_translation})
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/translations
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${qt_translation} ${dir}/translations)
  endif()
  add_custom_target(${target} ALL ${commands} VERBATIM)
endfunction()
copy_runtime(windows-runtime ${CMAKE_BINARY_DIR} DLLS ${runtime_dlls} PLUGINS ${runtime_plugins})
copy_runtime(windows-test-runtime ${CMAKE_BINARY_DIR}/tests
  DLLS ${runtime_dlls} ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}/Qt6Test.dll
  PLUGINS ${test_plugins})

install(TARGETS reg01 RUNTIME DESTINATION .)
install(FILES ${runtime_dlls} ${win_out}/qt.conf DESTINATION .)
foreach(plugin ${runtime_plugins})
  get_filename_component(sub ${plugin} DIRECTORY)
  install(FILES ${plugin_dir}/${plugin} DESTINATION ${sub})
endforeach()
if(EXISTS ${qt_translation})
  install(FILES ${qt_translation} DESTINATION translations)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright RENAME copyright.txt DESTINATION .)
# MinGW's runtime comes with its debugging symbols (libstdc++ is 24 MB so); the installed
# copies lose them, the files beside the build stay whole.
set(installed_libraries)
foreach(path ${runtime_dlls})
  get_filename_component(name ${path} NAME)
  list(APPEND installed_libraries ${name})
endforeach()
list(APPEND installed_libraries ${runtime_plugins})
install(CODE "
  foreach(file ${installed_libraries})
    execute_process(COMMAND ${CMAKE_STRIP} --strip-debug
      \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${file})
  endforeach()")

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME reg01)
set(CPACK_PACKAGE_VENDOR "NPP ORVANT")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "registration of milk-analyser results")
set(CPACK_PACKAGE_FILE_NAME reg01-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY reg01)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY reg01)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/packaging/copyright)
# The Start-menu entry, by its Russian name.
set(CPACK_PACKAGE_EXECUTABLES reg01 "Регистрация reg.01")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALLED_ICON_NAME reg01.exe)
set(CPACK_NSIS_DISPLAY_NAME "Регистрация reg.01")
set(CPACK_NSIS_PACKAGE_NAME "Регистрация reg.01")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# A 64-bit installer (wine64 and 64-bit Windows run it without a 32-bit layer), Unicode.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
include(CPack)

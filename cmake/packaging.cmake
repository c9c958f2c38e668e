# What a release of Wendrake.exe carries: the version resource, the one
# install rule, and the packages CPack makes from it on Linux: an NSIS
# installer (per machine, German) and a zip of the exe.
#   cmake --build --preset windows && (cd build/windows && cpack)

# The version resource takes its numbers from the project version.
foreach(part MAJOR MINOR PATCH TWEAK)
  set(WENDRAKE_VERSION_${part} "${PROJECT_VERSION_${part}}")
  if(WENDRAKE_VERSION_${part} STREQUAL "")
    set(WENDRAKE_VERSION_${part} 0)
  endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/window/version.h.in
               ${PROJECT_BINARY_DIR}/generated/wendrake_version.h @ONLY)
target_include_directories(Wendrake PRIVATE ${PROJECT_BINARY_DIR}/generated)

# Only the picker is shipped: the demo host and the test tools stay behind.
install(TARGETS Wendrake RUNTIME DESTINATION .)

set(CPACK_GENERATOR NSIS ZIP)
# Values reach the NSIS script as written here (backslashes, $ and quotes).
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME Wendrake)
set(CPACK_PACKAGE_VENDOR L-VORDANS)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "VUX-Wendrake Plotterauswahl")
set(CPACK_PACKAGE_FILE_NAME Wendrake-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_CHECKSUM SHA256)
# The shipped exe is the tested one, byte for byte: the link strips it
# already, and strip would give it a new time stamp.
set(CPACK_STRIP_FILES OFF)

# The installer, from our copy of CMake's template (German only, the 64-bit
# registry, the catalogue folder).
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/nsis ${CMAKE_MODULE_PATH})
set(CPACK_NSIS_PACKAGE_NAME VUX-Wendrake)
set(CPACK_NSIS_DISPLAY_NAME VUX-Wendrake)
# No version in the folder or in the key of the Programs-and-Features entry:
# an upgrade replaces the installation instead of adding a second one.
set(CPACK_PACKAGE_INSTALL_DIRECTORY VUX-Wendrake)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY VUX-Wendrake)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/window/art/wendrake.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/window/art/wendrake.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME Wendrake.exe)
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL OFF)
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "CreateShortCut '$SMPROGRAMS\\$STARTMENU_FOLDER\\VUX-Wendrake.lnk' '$INSTDIR\\Wendrake.exe'")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "Delete '$SMPROGRAMS\\$MUI_TEMP\\VUX-Wendrake.lnk'")

# The catalogue belongs to the administrator: the sample goes in only where
# there is none yet, an upgrade keeps what is there, and the uninstaller
# never touches it (it deletes only what CPack installed into $INSTDIR).
# With SetShellVarContext all (the installer's .onInit), $APPDATA is the
# common one, C:\ProgramData; NSIS has no $COMMONAPPDATA.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  CreateDirectory '$APPDATA\\L-VORDANS\\ZEPLO-Plotter'
  SetOutPath '$APPDATA\\L-VORDANS\\ZEPLO-Plotter'
  SetOverwrite off
  File '${PROJECT_SOURCE_DIR}/samples/ZEPLO_Plotter.txt'
  SetOverwrite on
  SetOutPath '$INSTDIR'
  Push 'QuietUninstallString'
  Push '\"$INSTDIR\\Uninstall.exe\" /S'
  Call ConditionalAddToRegistry")

include(CPack)

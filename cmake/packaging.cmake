# What a release of Wendrake.exe carries: the version resource, the one
# install rule, and the packages CPack makes from it on Linux: an NSIS
# installer and a Windows Installer package (both per machine, German), and
# a zip of the exe. With a certificate every Windows file of them is signed.
#   cmake --build --preset windows && (cd build/windows && cpack)

# The version resource takes its numbers from the project version.
foreach(part MAJOR MINOR PATCH TWEAK)
  set(WENDRAKE_VERSION_${part} "${PROJECT_VERSION_${part}}")
  if(WENDRAKE_VERSION_${part} STREQUAL "")
    set(WENDRAKE_VERSION_${part} 0)
  endif()
endforeach()
set(WENDRAKE_VERSION_NUMBERS
    ${WENDRAKE_VERSION_MAJOR}.${WENDRAKE_VERSION_MINOR}.${WENDRAKE_VERSION_PATCH}.${WENDRAKE_VERSION_TWEAK})

# So does the assembly version in the manifest. The copy in window/ stays a
# complete manifest as it is, for the bench baselines that embed it.
set(WENDRAKE_MANIFEST ${PROJECT_BINARY_DIR}/generated/wendrake.manifest)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/window/wendrake.manifest)
file(READ ${PROJECT_SOURCE_DIR}/window/wendrake.manifest manifest)
set(assembly_version "(name=\"L-VORDANS\\.Wendrake\" version=\")[0-9.]+\"")
if(NOT manifest MATCHES "${assembly_version}")
  message(FATAL_ERROR "window/wendrake.manifest: no assemblyIdentity name=\"L-VORDANS.Wendrake\" version=\"...\"")
endif()
string(REGEX REPLACE "${assembly_version}" "\\1${WENDRAKE_VERSION_NUMBERS}\"" manifest "${manifest}")
file(CONFIGURE OUTPUT ${WENDRAKE_MANIFEST} CONTENT "${manifest}" @ONLY)

configure_file(${PROJECT_SOURCE_DIR}/window/version.h.in
               ${PROJECT_BINARY_DIR}/generated/wendrake_version.h @ONLY)
target_include_directories(Wendrake PRIVATE ${PROJECT_BINARY_DIR}/generated)

# Only the picker is shipped: the demo host and the test tools stay behind.
install(TARGETS Wendrake RUNTIME DESTINATION .)

set(CPACK_GENERATOR NSIS ZIP External)
set(CPACK_PACKAGE_NAME Wendrake)
set(CPACK_PACKAGE_VENDOR L-VORDANS)
set(CPACK_PACKAGE_FILE_NAME Wendrake-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_CHECKSUM SHA256)
# The shipped exe is the tested one, byte for byte: the link strips it
# already, and strip would give it a new time stamp. CPack takes it as
# built: it does not go through the whole build again first.
set(CPACK_STRIP_FILES OFF)
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The installer is our own script; CPack's NSIS generator only fills in the
# version, the output file and the staged exe (cmake/nsis/NSIS.template.in).
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/nsis)
set(CPACK_WENDRAKE_INSTALLER_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/nsis/wendrake.nsi)

# The Windows Installer package, which wixl makes (cmake/msi/msi.cmake).
# Windows Installer knows every release of VUX-Wendrake by this upgrade
# code, and the setup program finds the package's installation by it: it
# must never change.
set(CPACK_WENDRAKE_UPGRADE_CODE CA3A046A-93D4-48B0-A420-53EF67C3E2CA)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/msi/msi.cmake)
set(CPACK_WENDRAKE_MSI_SOURCE ${CMAKE_CURRENT_LIST_DIR}/msi/wendrake.wxs)
set(CPACK_WENDRAKE_SAMPLE ${PROJECT_SOURCE_DIR}/samples/ZEPLO_Plotter.txt)
set(CPACK_WENDRAKE_ICON ${PROJECT_SOURCE_DIR}/window/art/wendrake.ico)

# Signing: the certificate and its password come from cpack's environment
# alone (cmake/signing/sign.sh), never from here or the cache.
set(CPACK_WENDRAKE_SIGN ${CMAKE_CURRENT_LIST_DIR}/signing/sign.sh)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/signing/sign_staged.cmake)

include(CPack)

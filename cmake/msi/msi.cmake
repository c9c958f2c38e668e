# CPack's External generator runs this with the files it staged: wixl builds
# Wendrake-<version>-x64.msi from them and wendrake.wxs, msibuild then sets
# what wixl leaves out, and a release with a certificate is signed.
set(msi ${CPACK_TOPLEVEL_DIRECTORY}/Wendrake-${CPACK_PACKAGE_VERSION}-x64.msi)
# wixl finds files by paths relative to the folder it runs in only.
file(RELATIVE_PATH sample ${CPACK_TEMPORARY_DIRECTORY} ${CPACK_WENDRAKE_SAMPLE})
file(RELATIVE_PATH icon ${CPACK_TEMPORARY_DIRECTORY} ${CPACK_WENDRAKE_ICON})
execute_process(
  COMMAND wixl -a x64 -o ${msi} -D Version=${CPACK_PACKAGE_VERSION}
    -D UpgradeCode=${CPACK_WENDRAKE_UPGRADE_CODE} -D Payload=. -D Sample=${sample} -D Icon=${icon}
    ${CPACK_WENDRAKE_MSI_SOURCE}
  WORKING_DIRECTORY ${CPACK_TEMPORARY_DIRECTORY} RESULT_VARIABLE failed)
# The summary's language is German, as the package's. The catalogue's
# component is permanent (16) and never overwritten (128) besides 64-bit
# (256). The entry's install folder is set once the folders are known
# (CostFinalize, 1000), as a plain property action (51).
if(NOT failed)
  execute_process(
    COMMAND msibuild ${msi}
      -q "UPDATE `Component` SET `Attributes` = 400 WHERE `Component` = 'Catalogue'"
      -q "UPDATE `CustomAction` SET `Type` = 51 WHERE `Action` = 'SetInstallLocation'"
      -q "UPDATE `InstallExecuteSequence` SET `Sequence` = 1001 WHERE `Action` = 'SetInstallLocation'"
      -s VUX-Wendrake L-VORDANS "x64;1031"
    RESULT_VARIABLE failed)
endif()
if(NOT failed)
  execute_process(COMMAND sh ${CPACK_WENDRAKE_SIGN} ${msi} RESULT_VARIABLE failed)
endif()
if(failed)
  file(REMOVE ${msi})
  message(FATAL_ERROR "${msi} could not be made")
endif()
set(CPACK_EXTERNAL_BUILT_PACKAGES ${msi})

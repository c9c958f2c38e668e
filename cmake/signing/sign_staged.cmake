# Run by CPack for every package once it has staged the exe: a release with a
# certificate carries a signed exe. The build's own exe stays as it was
# tested. The first package checks the certificate before anything is made.
execute_process(COMMAND sh ${CPACK_WENDRAKE_SIGN} ${CPACK_TEMPORARY_DIRECTORY}/Wendrake.exe
                RESULT_VARIABLE failed)
if(failed)
  # Packages of this version from an earlier run would pass for the ones
  # asked for now.
  file(GLOB earlier ${CPACK_PACKAGE_DIRECTORY}/Wendrake-${CPACK_PACKAGE_VERSION}-*)
  file(REMOVE ${earlier} "")
  message(FATAL_ERROR "The staged Wendrake.exe could not be signed")
endif()

# Runs at install time (also when cpack stages the package): writes the change log signed by
# DEBFULLNAME <DEBEMAIL>, compressed as Debian keeps it.
if("$ENV{DEBFULLNAME}" STREQUAL "" OR "$ENV{DEBEMAIL}" STREQUAL "")
  message(STATUS "Change log left out: DEBFULLNAME and DEBEMAIL name nobody to sign it.")
  return()
endif()
set(MAINTAINER "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
configure_file(${LYRABOX_CHANGELOG} ${LYRABOX_CHANGELOG_WORK}/changelog @ONLY)
execute_process(COMMAND gzip -9 -n -c changelog WORKING_DIRECTORY ${LYRABOX_CHANGELOG_WORK}
                OUTPUT_FILE ${LYRABOX_CHANGELOG_WORK}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
file(INSTALL ${LYRABOX_CHANGELOG_WORK}/changelog.gz DESTINATION ${CMAKE_INSTALL_PREFIX}/${LYRABOX_DOC_DIR})

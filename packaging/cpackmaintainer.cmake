# Read by cpack: a Debian package names its maintainer, here whoever packs it, as Debian's tools do.
if(CPACK_GENERATOR STREQUAL "DEB")
  if("$ENV{DEBFULLNAME}" STREQUAL "" OR NOT "$ENV{DEBEMAIL}" MATCHES "^[^@<> ]+@[^@<> ]+$")
    message(FATAL_ERROR "A Debian package names its maintainer: set DEBFULLNAME to your name and "
                        "DEBEMAIL to your mail address.")
  endif()
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
endif()

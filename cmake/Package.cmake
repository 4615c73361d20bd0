# `make package` (cpack -G DEB in the build tree): one Debian package with
# the tool, the viewer, the library and its headers, in Debian's places under
# /usr. Its dependencies are the Debian packages of the libraries linked
# (dpkg-shlibdeps), and of libgs, which the Ghostscript helper loads itself.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ksdvi)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ksdvi developers <ksdvi@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "display the DVI output of TeX: command-line tool, viewer and library")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION tex)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Programs and the shared library without their debugging sections; gzip
# keeps `make package` quick.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
# libksdvi.so.0: a shlibs file and ldconfig's triggers.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)

get_filename_component(KSDVI_GS_FILE "${GS_LIBRARY}" REALPATH)
execute_process(COMMAND dpkg-query -S "${KSDVI_GS_FILE}" OUTPUT_VARIABLE KSDVI_GS_OWNER ERROR_QUIET)
string(REGEX MATCH "^[^:]+" KSDVI_GS_PACKAGE "${KSDVI_GS_OWNER}")
if(KSDVI_GS_PACKAGE)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${KSDVI_GS_PACKAGE}")
endif()
# TeX's fonts and metric files, read at run time through kpathsea.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "texlive-base, texlive-fonts-recommended, libpaper-utils")
include(CPack)

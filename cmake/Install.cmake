# cmake --install: headers, the libraries, a CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)

foreach(target ksdvi ksdvi_gdi ksdvi_kpathsea ksdvi_jpg ksdvi_png ksdvi_gs)
  target_include_directories(${target} INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/ksdvi>)
endforeach()

install(TARGETS ksdvi ksdvi_gdi ksdvi_kpathsea ksdvi_jpg ksdvi_png ksdvi_gs EXPORT ksdviTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/src/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ksdvi
        FILES_MATCHING PATTERN "*.h")
install(EXPORT ksdviTargets NAMESPACE ksdvi:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ksdvi)

configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/ksdviConfig.cmake.in
  ${CMAKE_BINARY_DIR}/ksdviConfig.cmake INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ksdvi)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/ksdviConfigVersion.cmake COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/ksdviConfig.cmake ${CMAKE_BINARY_DIR}/ksdviConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ksdvi)

# The prefix is found from the file's own place, so the package can be moved.
file(RELATIVE_PATH KSDVI_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" KSDVI_PC_TO_PREFIX "${KSDVI_PC_TO_PREFIX}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/ksdvi.pc.in ${CMAKE_BINARY_DIR}/ksdvi.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/ksdvi.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

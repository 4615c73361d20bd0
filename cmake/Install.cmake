# cmake --install: the public headers, the libraries, a CMake package
# (targets ksdvi::core, ksdvi::render and ksdvi::ksdvi) and pkg-config files
# (ksdvi-core, and ksdvi for everything).
include(CMakePackageConfigHelpers)

set(KSDVI_INSTALLED_TARGETS ksdvi ksdvi_core ksdvi_render ksdvi_gdi ksdvi_kpathsea ksdvi_colour ksdvi_jpg ksdvi_png ksdvi_gs
    ksdvi_shared)
foreach(target ${KSDVI_INSTALLED_TARGETS})
  if(NOT target STREQUAL ksdvi)
    # <ksdvi/Document.h> for the embedding interface; the engine's own
    # headers by their folders ("dvi/KsDvi.h").
    target_include_directories(${target} INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
                                                   $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/ksdvi>)
  endif()
endforeach()

install(TARGETS ${KSDVI_INSTALLED_TARGETS} EXPORT ksdviTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

# The headers a program includes and the ones they include; the library's
# own helpers stay private.
set(KSDVI_PUBLIC_HEADERS
  stream/String8.h stream/DList.h stream/fpreal4.h stream/BigEndian.h
  stream/BinStream.h stream/BinStreamTemplate.h stream/BinFileStream.h
  dvi/KsDvi.h dvi/ItrnFontItr.h dvi/FaceSubstitutions.h specials/SpecialParsing.h specials/SpecialKeywords.h specials/SpecialPage.h specials/DocumentInfo.h specials/LinkBorder.h dvi/DocumentFiles.h
  page/DocumentState.h page/Paper.h page/PixelMapping.h
  font/ItrnFont.h font/FontLimits.h font/MetricFileStream.h font/KsDviTTFMap.h font/TeXFonts.h font/EncodingVector.h font/PkFont.h
  font/JapaneseFont.h font/JapaneseFontMap.h
  font/NativeFont.h
  interp/KsDviDrawerBase.h interp/InstPtr.h
  platform/kpathsea/KPathSea.h
  print/CGSFile.h print/CDIB.h print/CPrintDIB.h
  device/OutputDevice.h device/Affine.h
  render/KsDviDrawer.h render/FontPainting.h render/BitmapFont.h render/PostScriptPage.h render/PdfGraphicsState.h
  text/KsDviSearch.h text/KsDviSelect.h text/UnicodeText.h text/UnicodeSearch.h text/FontGlyphNames.h text/GlyphList.h
  writer/KsDviWriter.h
  render/OffscreenPage.h render/WholePage.h)
# The embedding interface: <ksdvi/Document.h>, <ksdvi/PageDrawing.h>, <ksdvi/VectorOutput.h>.
install(FILES ${CMAKE_SOURCE_DIR}/src/ksdvi/Document.h ${CMAKE_SOURCE_DIR}/src/ksdvi/PageDrawing.h
              ${CMAKE_SOURCE_DIR}/src/ksdvi/VectorOutput.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ksdvi)
file(GLOB KSDVI_GDI_HEADERS RELATIVE ${CMAKE_SOURCE_DIR}/src CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/gdi/*.h)
foreach(header ${KSDVI_PUBLIC_HEADERS} ${KSDVI_GDI_HEADERS})
  get_filename_component(dir ${header} DIRECTORY)
  install(FILES ${CMAKE_SOURCE_DIR}/src/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ksdvi/${dir})
endforeach()
install(EXPORT ksdviTargets NAMESPACE ksdvi:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ksdvi)

configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/ksdviConfig.cmake.in
  ${CMAKE_BINARY_DIR}/ksdviConfig.cmake INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ksdvi)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/ksdviConfigVersion.cmake COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/ksdviConfig.cmake ${CMAKE_BINARY_DIR}/ksdviConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ksdvi)

# The prefix is found from the file's own place, so the package can be moved.
file(RELATIVE_PATH KSDVI_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" KSDVI_PC_TO_PREFIX "${KSDVI_PC_TO_PREFIX}")
foreach(pc ksdvi ksdvi-core)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/${pc}.pc.in ${CMAKE_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

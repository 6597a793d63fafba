# `make package`: build/calmora_<version>_amd64.deb, made by CPack from the
# install rules (cmake/install.cmake) under /usr. Depends: what dpkg-shlibdeps
# finds for the program, and ffmpeg, whose /usr/bin/ffmpeg is the converter.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME calmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Calmora developers")
set(CPACK_PACKAGE_CONTACT "The Calmora developers <support@calmora.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "steady shaky video clips")
set(CPACK_PACKAGE_DESCRIPTION
    "Calmora loads a video clip, shows the frame at any time on a slider, and
steadies the clip in two passes of ffmpeg's vid.stab filters (vidstabdetect,
vidstabtransform) with five adjustable parameters, writing a steadied copy.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # calmora_0.3.7_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://calmora.example.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Appended to what dpkg-shlibdeps finds.
set(CPACK_DEBIAN_PACKAGE_DEPENDS ffmpeg)
if(NOT CALM_CONVERTER_LINK STREQUAL "/usr/bin/ffmpeg")
  message(WARNING "The package's converter link would name ${CALM_CONVERTER_LINK}, "
                  "not Debian's /usr/bin/ffmpeg; `make package` needs the ffmpeg package.")
endif()
include(CPack)

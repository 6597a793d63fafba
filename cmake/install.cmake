# Install: the program, its converter link, a desktop entry, the icon, a
# sample clip, the man page, the bash completion and the copyright. The Debian package
# (cmake/package.cmake) is made from these same rules.
include(GNUInstallDirs)
install(TARGETS calmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The installed program finds its converter by the same rule as the build:
# <bin>/../lib/calmora/calm/client.exe. The link names Debian's /usr/bin/ffmpeg
# when that is the ffmpeg found, even through another folder on the PATH, so
# the package's link holds on every machine that has the ffmpeg package.
set(CALM_CONVERTER_LINK ${CALM_FFMPEG})
if(EXISTS /usr/bin/ffmpeg)
  file(REAL_PATH ${CALM_FFMPEG} calm_found_ffmpeg)
  file(REAL_PATH /usr/bin/ffmpeg calm_debian_ffmpeg)
  if(calm_found_ffmpeg STREQUAL calm_debian_ffmpeg)
    set(CALM_CONVERTER_LINK /usr/bin/ffmpeg)
  endif()
endif()
install(CODE "
  set(dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/calmora/calm\")
  file(MAKE_DIRECTORY \"\${dir}\")
  file(REMOVE \"\${dir}/client.exe\")
  file(CREATE_LINK \"${CALM_CONVERTER_LINK}\" \"\${dir}/client.exe\" SYMBOLIC)
  message(STATUS \"Linking: \${dir}/client.exe -> ${CALM_CONVERTER_LINK}\")
")
install(FILES ${CMAKE_SOURCE_DIR}/data/calmora.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/calmora.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)

# A short shaky clip with sound to try the program on: a test pattern moved by a jitter.
set(CALM_SAMPLE ${CMAKE_BINARY_DIR}/share/calmora/samples/shaky-sample.mp4)
add_custom_command(
  OUTPUT ${CALM_SAMPLE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/calmora/samples
  COMMAND ${CALM_FFMPEG} -v error -y
          -f lavfi -i testsrc2=size=400x300:rate=25:duration=4
          -f lavfi -i sine=frequency=440:duration=4
          -filter_complex "[0:v]crop=320:240:40+28*sin(n*1.7)*cos(n*0.31):30+22*cos(n*2.3)*sin(n*0.47),format=yuv420p[v]"
          -map "[v]" -map 1:a -c:v libx264 -preset veryfast -crf 23 -c:a aac -b:a 96k
          -shortest ${CALM_SAMPLE}
  COMMENT "Making the sample clip"
  VERBATIM)
add_custom_target(sample_clip ALL DEPENDS ${CALM_SAMPLE})
install(FILES ${CALM_SAMPLE} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/calmora/samples)

# The man page, compressed as Debian keeps them (-n: no name or time inside,
# so the same source gives the same bytes).
set(CALM_MAN_PAGE ${CMAKE_BINARY_DIR}/share/man/man1/calmora.1.gz)
add_custom_command(
  OUTPUT ${CALM_MAN_PAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/man/man1
  COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/data/calmora.1 > ${CALM_MAN_PAGE}
  DEPENDS ${CMAKE_SOURCE_DIR}/data/calmora.1
  COMMENT "Compressing the man page"
  VERBATIM)
add_custom_target(man_page ALL DEPENDS ${CALM_MAN_PAGE})
install(FILES ${CALM_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Where bash-completion loads it on demand, by the command's name.
install(FILES ${CMAKE_SOURCE_DIR}/data/calmora.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions RENAME calmora)
install(FILES ${CMAKE_SOURCE_DIR}/data/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

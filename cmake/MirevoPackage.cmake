# The Debian package, made by `cpack` after a build (scripts/package does
# both). The shared libraries the program links bring their packages through
# dpkg-shlibdeps; what it only opens at run time is listed by hand: Qt's
# platform plugins, a General MIDI SoundFont for the built-in synthesizer and
# the Japanese Gothic font the window templates ask for.
set(MIREVO_MAINTAINER "Mirevo maintainers <maintainers@mirevo.example>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mirevo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Mirevo developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "${MIREVO_MAINTAINER}")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MIREVO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, timgm6mb-soundfont | fluid-soundfont-gm, fonts-ipafont-gothic")
# The long description; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Mirevo lets people on a network exchange short text messages and live MIDI
over UDP. Every running copy is a peer: type a message and send it to a
host:port target, or to every target you have used, and read what others
send in the log. MIDI input, notes played on the computer keyboard and
program changes reach every peer's synthesizer.")

include(CPack)

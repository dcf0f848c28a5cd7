# What `cmake --install` installs, and the packages CPack makes of it.
#
# Linux (and any POSIX system): the programs in bin/, the documents in
# share/doc/belvara-quintosa/ (README.md, CHANGELOG.md and doc/ as in the
# source tree, with the editors' set-ups in doc/editors/, so that the
# README's links work), the man page of scenarioc
# and its bash completion. Packages: a .tar.gz and a .deb.
#
# Windows: one folder to unzip and double-click in, the two programs at its
# top beside LEGGIMI.txt, README.md and CHANGELOG.md, and doc/. Package: a
# ZIP.
if(WIN32)
  set(program_dir .)
  set(doc_dir .)
else()
  # Debian names the documents' folder after the package, which may not hold
  # an underscore.
  set(CMAKE_INSTALL_DOCDIR share/doc/belvara-quintosa CACHE PATH "Documentation (DATAROOTDIR/doc/belvara-quintosa)")
  include(GNUInstallDirs)
  set(program_dir ${CMAKE_INSTALL_BINDIR})
  set(doc_dir ${CMAKE_INSTALL_DOCDIR})
endif()

install(TARGETS belvara_quintosa scenarioc RUNTIME DESTINATION ${program_dir})
install(FILES README.md CHANGELOG.md DESTINATION ${doc_dir})
file(GLOB doc_pages ${PROJECT_SOURCE_DIR}/doc/*.md)
install(FILES ${doc_pages} doc/belvara_quintosa.svg DESTINATION ${doc_dir}/doc)
# The editors' set-ups doc/editors.md shows, as files to copy.
file(GLOB editor_setups ${PROJECT_SOURCE_DIR}/doc/editors/*)
install(FILES ${editor_setups} DESTINATION ${doc_dir}/doc/editors)
if(WIN32)
  install(FILES packaging/LEGGIMI.txt DESTINATION .)
else()
  install(FILES doc/scenarioc.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES packaging/scenarioc.bash DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions
          RENAME scenarioc)
endif()

set(CPACK_PACKAGE_NAME belvara_quintosa)
set(CPACK_PACKAGE_VENDOR "Belvara_Quintosa developers")
set(CPACK_PACKAGE_CONTACT "Belvara_Quintosa developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Belvara_Quintosa driving scenario and scenarioc, its authors' compiler")
# One string (a list would be joined with semicolons), in lines short enough
# for dpkg's listing.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "belvara_quintosa writes the Belvara_Quintosa scenario (the 85 km line and\n"
  "train 254) for a train-driving simulator: the three compiled files the\n"
  "simulator loads and three sheets for the driver. scenarioc compiles an\n"
  "author's own line and train descriptions with the same compiler, explains\n"
  "their mistakes, prints compiled files and draws them.")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ DEB)
endif()

set(CPACK_DEBIAN_PACKAGE_NAME belvara-quintosa)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The C and C++ runtimes the programs link, unless they are linked
# statically (SCENARIO_STATIC_PROGRAMS): dpkg-shlibdeps (dpkg-dev, which
# CPack drives with `file`) names them with their versions; without it, by
# name.
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(FILE_COMMAND file)
if(SCENARIO_STATIC_PROGRAMS AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
  # Nothing to depend on.
elseif(DPKG_SHLIBDEPS AND FILE_COMMAND)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
endif()

include(CPack)

# A Debian package's programs are built with the flags Debian's own package
# builds use (stack protector, fortified string functions, read-only
# relocations bound at start), as dpkg-buildflags gives them with every
# hardening feature on. They go before the build type's flags, so the
# optimisation level stays the build type's and the programs' output with it.
option(KARTEN_DEBIAN_PACKAGE "Build with Debian's package build flags and strip the programs as Debian does" OFF)

if(KARTEN_DEBIAN_PACKAGE)
  find_program(KARTEN_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${KARTEN_DPKG_BUILDFLAGS} --get ${kind}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE karten_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE
      COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  string(APPEND CMAKE_CXX_FLAGS " ${karten_CPPFLAGS} ${karten_CXXFLAGS}")
  string(APPEND CMAKE_EXE_LINKER_FLAGS " ${karten_LDFLAGS}")
endif()

# Runs at install time (install(SCRIPT)): the files that go to the configuration
# folder and the systemd unit, whose paths depend on the prefix the install is
# made for: /etc for the prefix /usr (as Debian's packages have it), PREFIX/etc for
# any other. OB_SOURCE_DIR and OB_BINARY_DIR are set by the install rule before.
# It is installed last, so that it sees every file the other rules installed.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(ob_etc "/etc")
else()
  set(ob_etc "${CMAKE_INSTALL_PREFIX}/etc")
endif()
set(ob_jobs "${ob_etc}/obrenta/jobs")

# PAM reads its services from /etc/pam.d alone: a system-wide install (/usr,
# /usr/local) puts it there; an install into a folder of its own keeps it below the
# prefix, and `obrenta setup` says where it would have to go.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr" OR CMAKE_INSTALL_PREFIX STREQUAL "/usr/local")
  set(ob_pam "/etc/pam.d")
else()
  set(ob_pam "${ob_etc}/pam.d")
endif()
file(INSTALL DESTINATION "${ob_pam}" TYPE FILE FILES "${OB_SOURCE_DIR}/packaging/pam.d/obrenta")

# The example job folder. A file the user has changed is replaced here as any
# installed file is; `obrenta setup upgrade` backs the user's scripts up first and
# restores them afterwards, and the Debian package marks them as conffiles.
file(INSTALL DESTINATION "${ob_jobs}" TYPE FILE
     FILES "${OB_SOURCE_DIR}/examples/jobs/AutoRun.jr" "${OB_SOURCE_DIR}/examples/jobs/Config.jr"
           "${OB_SOURCE_DIR}/examples/jobs/User.jr")

file(READ "${OB_SOURCE_DIR}/packaging/obrenta.service.in" ob_unit)
string(REPLACE "@OB_BINDIR@" "${CMAKE_INSTALL_PREFIX}/bin" ob_unit "${ob_unit}")
string(REPLACE "@OB_JOBDIR@" "${ob_jobs}" ob_unit "${ob_unit}")
# Written to a folder of this install's own: installs for two prefixes may run at once.
string(RANDOM LENGTH 12 ob_random)
set(ob_unit_dir "${OB_BINARY_DIR}/packaging/unit-${ob_random}")
file(WRITE "${ob_unit_dir}/obrenta.service" "${ob_unit}")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/lib/systemd/system" TYPE FILE
     FILES "${ob_unit_dir}/obrenta.service")
file(REMOVE_RECURSE "${ob_unit_dir}")

# `obrenta setup` asks for its own record of the installed files: CMake's
# install_manifest.txt is one file per build tree, which two installs of the same
# tree at once would both write.
if(DEFINED ENV{OBRENTA_INSTALL_MANIFEST})
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "$ENV{OBRENTA_INSTALL_MANIFEST}")
  string(REPLACE ";" "\n" ob_manifest "${CMAKE_INSTALL_MANIFEST_FILES}")
  file(WRITE "$ENV{OBRENTA_INSTALL_MANIFEST}" "${ob_manifest}\n")
endif()

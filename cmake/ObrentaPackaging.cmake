# Installing Obrenta as a system service, its manual pages, and the Debian package
# (`cpack -G DEB` in a build tree). Included at the end of the top-level
# CMakeLists.txt, after every other install rule: its install-time script must
# run last.

install(TARGETS obsetup LIBRARY DESTINATION lib)

# The sample job scripts, and the documentation.
file(GLOB ob_sample_scripts ${PROJECT_SOURCE_DIR}/examples/*.jr)
install(FILES ${ob_sample_scripts} DESTINATION share/obrenta/examples)
file(GLOB ob_manuals ${PROJECT_SOURCE_DIR}/docs/*.md)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${ob_manuals} DESTINATION share/doc/obrenta)

# Manual pages made from the manuals in docs/ by pandoc (Debian's `pandoc`).
find_program(OB_PANDOC pandoc)
if(OB_PANDOC)
  # name;section;source;what it is
  set(ob_man_pages
      "obrenta|1|host-program.md|run, check and install Obrenta job scripts"
      "obrenta-jobs|5|job-scripts.md|the job script files of Obrenta"
      "obrenta-setup|8|installing.md|install, upgrade and remove Obrenta"
      "obrenta.service|8|service.md|Obrenta as a system service")
  set(ob_man_outputs)
  foreach(page ${ob_man_pages})
    string(REPLACE "|" ";" page "${page}")
    list(GET page 0 name)
    list(GET page 1 section)
    list(GET page 2 source)
    list(GET page 3 summary)
    set(out_dir ${PROJECT_BINARY_DIR}/man)
    file(WRITE ${out_dir}/${name}.name.roff ".SH NAME\n${name} \\- ${summary}\n")
    add_custom_command(
      OUTPUT ${out_dir}/${name}.${section}.gz
      COMMAND ${OB_PANDOC} --standalone --from gfm --to man
              --metadata title=${name} --metadata section=${section}
              --metadata "header=Obrenta Manual" --metadata "footer=Obrenta ${PROJECT_VERSION}"
              --include-before-body ${out_dir}/${name}.name.roff
              --output ${out_dir}/${name}.${section} ${PROJECT_SOURCE_DIR}/docs/${source}
      COMMAND gzip -9nf ${out_dir}/${name}.${section}
      DEPENDS ${PROJECT_SOURCE_DIR}/docs/${source}
      COMMENT "Manual page ${name}(${section})"
      VERBATIM)
    list(APPEND ob_man_outputs ${out_dir}/${name}.${section}.gz)
    install(FILES ${out_dir}/${name}.${section}.gz DESTINATION share/man/man${section})
  endforeach()
  add_custom_target(obrenta_man ALL DEPENDS ${ob_man_outputs})
else()
  message(STATUS "pandoc not found: no manual pages are made (apt-get install pandoc)")
endif()

# The configuration folder's files and the systemd unit: their paths depend on the
# prefix of the install (known only then), so a script makes them at install time.
install(CODE "set(OB_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")\nset(OB_BINARY_DIR \"${PROJECT_BINARY_DIR}\")")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/ObrentaInstallConfig.cmake)

# The Debian package. CPack installs with DESTDIR, so that the prefix is /usr and
# the configuration folder /etc, as in any Debian package.
file(WRITE ${PROJECT_BINARY_DIR}/packaging/conffiles
     "/etc/obrenta/jobs/AutoRun.jr\n/etc/obrenta/jobs/Config.jr\n/etc/obrenta/jobs/User.jr\n"
     "/etc/pam.d/obrenta\n")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME obrenta)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Obrenta")
set(CPACK_PACKAGE_CONTACT "Obrenta maintainers <maintainers@obrenta.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "job scheduler for scripted jobs, with a Telnet console")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Obrenta runs job scripts: when a job fires (dates, intervals, cron fields) it\n"
    "launches programs, works on files, sends mail, transfers files by FTP and calls\n"
    "VBScript. The package installs the engine, the obrenta program, the systemd\n"
    "unit obrenta.service and an example job folder in /etc/obrenta/jobs.")
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "msmtp-mta | mail-transport-agent")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst ${PROJECT_SOURCE_DIR}/packaging/debian/prerm
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm ${PROJECT_BINARY_DIR}/packaging/conffiles)
include(CPack)

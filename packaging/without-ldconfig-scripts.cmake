# Run by CPack after the packages are made: the library's package refreshes the linker cache by
# its ldconfig trigger, so the postinst and postrm that CPack adds to call ldconfig themselves go
# (Debian has asked for the trigger instead since 2015). dpkg-deb builds it again with the same
# file times (SOURCE_DATE_EPOCH), so the package stays reproducible.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${package}" NAME)
  if(NOT name MATCHES "^libtext2jpg1_.*\\.deb$")
    continue()
  endif()
  set(tree "${package}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -z9 -b "${tree}" "${package}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()

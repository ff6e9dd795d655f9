# The Debian package: `cpack -G DEB` in the build folder makes ferolant_<version>_<arch>.deb.
#   /usr/lib/ferolant/ferolant, libtavrin.so   the host and the real signing library, side by side
#   /usr/lib/ferolant/libtavrin-dialog-guard.so the GTK module its dialogs load
#   /usr/bin/ferolant-register                 registration for users and administrators
#   each browser's system folder               the host manifest (Chrome, Chromium, Edge, Brave, Firefox)
# The stand-in signs nothing and stays out; extension developers take it from the build tree.
include(GNUInstallDirs)

set(deb_lib lib/ferolant)
set(deb_host /usr/${deb_lib}/ferolant)
# Where the browsers look, and where ferolant-register check --system looks. Chrome, Edge and
# Brave look in /etc/opt only, where postinst links the package's copy in /usr/lib/ferolant.
set(deb_manifest_dirs_chromium /etc/chromium/native-messaging-hosts)
set(deb_manifest_dirs_firefox /usr/lib/mozilla/native-messaging-hosts)
set(DEB_ETC_OPT_DIRS
    "/etc/opt/chrome/native-messaging-hosts /etc/opt/edge/native-messaging-hosts /etc/opt/brave.com/brave/native-messaging-hosts")

set(deb_dir ${CMAKE_CURRENT_BINARY_DIR}/deb)
file(MAKE_DIRECTORY ${deb_dir}/manifests)
ferolant_write_manifests(${deb_dir}/manifests ${deb_host} deb_families)

if(NOT TARGET tavrin_signer)
  set(FEROLANT_PACKAGE_REFUSAL
      "${FEROLANT_PACKAGE_REFUSAL} the package holds the real signing library (target tavrin_signer), which this tree does not build")
  string(STRIP "${FEROLANT_PACKAGE_REFUSAL}" FEROLANT_PACKAGE_REFUSAL)
endif()
if(FEROLANT_PACKAGE_REFUSAL)
  # Runs first when CPack installs into its staging folder, so no package is made.
  install(CODE "message(FATAL_ERROR \"ferolant package: ${FEROLANT_PACKAGE_REFUSAL}\")")
endif()

install(TARGETS ferolant RUNTIME DESTINATION ${deb_lib})
if(TARGET tavrin_signer)
  install(TARGETS tavrin_signer LIBRARY DESTINATION ${deb_lib})
  install(TARGETS tavrin_dialog_guard LIBRARY DESTINATION ${deb_lib})
endif()
install(TARGETS ferolant-register RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(deb_conffiles)
foreach(family IN LISTS deb_families)
  foreach(dir IN LISTS deb_manifest_dirs_${family})
    install(FILES ${deb_dir}/manifests/${family}.json DESTINATION ${dir}
            RENAME ${FEROLANT_HOST_NAME}.json)
    if(dir MATCHES "^/etc/")
      string(APPEND deb_conffiles "${dir}/${FEROLANT_HOST_NAME}.json\n")
    endif()
  endforeach()
endforeach()
file(WRITE ${deb_dir}/conffiles "${deb_conffiles}")
if(chromium IN_LIST deb_families)
  install(FILES ${deb_dir}/manifests/chromium.json DESTINATION ${deb_lib}
          RENAME ${FEROLANT_HOST_NAME}.json)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/postinst.in ${deb_dir}/postinst @ONLY)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/postrm.in ${deb_dir}/postrm @ONLY)
  set(deb_scripts ${deb_dir}/postinst ${deb_dir}/postrm)
endif()

# A native package: its changelog is changelog.gz.
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${deb_dir}/changelog @ONLY)
execute_process(COMMAND gzip -9nf ${deb_dir}/changelog)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${deb_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/ferolant)
configure_file(${CMAKE_CURRENT_LIST_DIR}/ferolant-register.1 ${deb_dir}/ferolant-register.1 COPYONLY)
execute_process(COMMAND gzip -9nf ${deb_dir}/ferolant-register.1)
install(FILES ${deb_dir}/ferolant-register.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ferolant)
set(CPACK_PACKAGE_VENDOR Ferolant)
set(CPACK_PACKAGE_CONTACT "Ferolant developers <developers@ferolant.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The signing library asks a person through zenity's dialogs before every signature.
set(CPACK_DEBIAN_PACKAGE_DEPENDS zenity)
# Smart cards: the PC/SC daemon and OpenSC's module, which registers itself with p11-kit
# (/usr/share/p11-kit/modules/opensc-pkcs11.module) for libp11-kit0, a dependency already.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pcscd, opensc-pkcs11")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${deb_dir}/conffiles ${deb_scripts})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "browser native messaging host for signing with Tavrin")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Ferolant lets a web page's extension in Chrome, Chromium, Edge, Brave or
Firefox sign texts and files with the Tavrin signing library. Every signature
is confirmed by the person in a dialog.

The package registers the host for every user of the machine;
ferolant-register checks, adds or removes registrations.")
include(CPack)

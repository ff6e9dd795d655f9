# MSI packages of a Windows cross build, made with wixl: `cmake --build <build> --target
# ferolant_msi`. Two per architecture:
#   ferolant-<version>-<arch>.msi          per user, no administrator: %LOCALAPPDATA%\Programs\Ferolant, HKCU
#   ferolant-<version>-<arch>-machine.msi  every user: Program Files\Ferolant, HKLM
# With the stand-in signing library (no FEROLANT_TAVRIN_DLL given) their names end in -standin.
set(FEROLANT_TAVRIN_DLL "" CACHE FILEPATH
    "The maker's Tavrin.dll for the MSI packages; empty: the stand-in, and the packages' names say so")
find_program(FEROLANT_WIXL wixl)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(msi_arch x86_64)
  set(wixl_arch x64)
  set(FEROLANT_MSI_WIN64 yes)
  set(program_files ProgramFiles64Folder)
else()
  set(msi_arch i686)
  set(wixl_arch x86)
  set(FEROLANT_MSI_WIN64 no)
  set(program_files ProgramFilesFolder)
endif()

set(suffix)
if(FEROLANT_TAVRIN_DLL)
  get_filename_component(tavrin_source ${FEROLANT_TAVRIN_DLL} ABSOLUTE)
  if(NOT EXISTS ${tavrin_source})
    message(FATAL_ERROR "FEROLANT_TAVRIN_DLL: no file at ${tavrin_source}")
  endif()
  set(tavrin_depends ${tavrin_source})
else()
  set(tavrin_source $<TARGET_FILE:tavrin>)
  set(tavrin_depends tavrin)
  set(suffix -standin)
endif()

set(msi_dir ${CMAKE_CURRENT_BINARY_DIR}/msi)
set(manifest_dir ${msi_dir}/manifests)
file(MAKE_DIRECTORY ${manifest_dir})
# Each browser resolves a relative "path" against the manifest's own folder on Windows, so
# the manifests name the host beside them wherever the package lands.
ferolant_write_manifests(${manifest_dir} ferolant.exe msi_families)

# Component GUIDs differ per architecture and scope; the upgrade code is one per scope, so a
# package of either architecture replaces the other.
set(variants user machine)
set(user_upgrade_code 7AB8F7B9-5DB2-47EC-9643-30629B96E710)
set(machine_upgrade_code 9551B52C-082C-4773-9D0E-510CCA243040)
set(user_x86_64_guid BC0D5AEE-3C0A-4B42-8879-620282195012)
set(user_i686_guid C29F1CF3-17D3-4F5A-9FE9-D854BB5389FC)
set(machine_x86_64_guid E140548E-6F8B-4F53-9E1B-266FBC7DB074)
set(machine_i686_guid 72B667F5-80C1-451D-B2CA-7D32C931AF53)
set(programs_x86_64_guid 0E5EC470-B8E0-4778-BA0C-D841CC84EE83)
set(programs_i686_guid 2B212C18-C669-452E-844C-4AFA2B533E81)

set(keys_chromium
    "Software\\Google\\Chrome\\NativeMessagingHosts" "Software\\Chromium\\NativeMessagingHosts"
    "Software\\Microsoft\\Edge\\NativeMessagingHosts"
    "Software\\BraveSoftware\\Brave-Browser\\NativeMessagingHosts")
set(keys_firefox "Software\\Mozilla\\NativeMessagingHosts")

set(msi_outputs)
foreach(variant IN LISTS variants)
  if(variant STREQUAL user)
    set(FEROLANT_MSI_SCOPE perUser)
    set(FEROLANT_MSI_SCOPE_TEXT "for the current user")
    set(FEROLANT_MSI_HIVE HKCU)
    set(FEROLANT_MSI_ROOT LocalAppDataFolder)
    # Programs is created for us when nothing else had made it; it goes when left empty.
    set(FEROLANT_MSI_DIRECTORY_OPEN "        <Directory Id=\"UserPrograms\" Name=\"Programs\">
          <Component Id=\"UserProgramsFolder\" Guid=\"${programs_${msi_arch}_guid}\" Win64=\"${FEROLANT_MSI_WIN64}\">
            <RemoveFolder Id=\"RemoveUserPrograms\" On=\"uninstall\" />
            <RegistryValue Root=\"HKCU\" Key=\"Software\\Ferolant\" Name=\"ProgramsFolder\" Type=\"integer\" Value=\"1\" KeyPath=\"yes\" />
          </Component>")
    set(FEROLANT_MSI_DIRECTORY_CLOSE "        </Directory>")
    set(FEROLANT_MSI_FOLDER_COMPONENT "      <ComponentRef Id=\"UserProgramsFolder\" />")
    set(name ferolant-${PROJECT_VERSION}-${msi_arch}${suffix}.msi)
  else()
    set(FEROLANT_MSI_SCOPE perMachine)
    set(FEROLANT_MSI_SCOPE_TEXT "for every user of the machine")
    set(FEROLANT_MSI_HIVE HKLM)
    set(FEROLANT_MSI_ROOT ${program_files})
    set(FEROLANT_MSI_DIRECTORY_OPEN "")
    set(FEROLANT_MSI_DIRECTORY_CLOSE "")
    set(FEROLANT_MSI_FOLDER_COMPONENT "")
    set(name ferolant-${PROJECT_VERSION}-${msi_arch}-machine${suffix}.msi)
  endif()
  set(FEROLANT_MSI_UPGRADE_CODE ${${variant}_upgrade_code})
  set(FEROLANT_MSI_COMPONENT_GUID ${${variant}_${msi_arch}_guid})
  set(FEROLANT_MSI_MANIFESTS)
  foreach(family IN LISTS msi_families)
    set(file ${FEROLANT_HOST_NAME}.json)
    if(family STREQUAL firefox)
      set(file ${FEROLANT_HOST_NAME}.firefox.json)
    endif()
    string(APPEND FEROLANT_MSI_MANIFESTS
           "              <File Id=\"${family}Manifest\" Name=\"${file}\" Source=\"$(var.Manifests)/${family}.json\" />\n")
    foreach(key IN LISTS keys_${family})
      string(APPEND FEROLANT_MSI_MANIFESTS
             "              <RegistryValue Root=\"${FEROLANT_MSI_HIVE}\" Key=\"${key}\\${FEROLANT_HOST_NAME}\" Type=\"string\" Value=\"[INSTALLDIR]${file}\" />\n")
    endforeach()
  endforeach()
  configure_file(${CMAKE_CURRENT_LIST_DIR}/ferolant.wxs.in ${msi_dir}/ferolant-${variant}.wxs @ONLY)

  # One script makes the package, so that a test can make the same one with another version.
  # wixl reads sources relative to its working folder: the script runs it in / .
  file(GENERATE OUTPUT ${msi_dir}/make-${variant}-msi CONTENT "#!/bin/sh
# Generated: makes the ${variant} MSI. Usage: make-${variant}-msi VERSION OUTPUT.msi
set -e
out=$(realpath \"$2\")
# The programs go in without their debugging information.
stage='${msi_dir}/stage-${variant}'
mkdir -p \"$stage\"
for exe in ferolant.exe ferolant-register.exe; do
  '${CMAKE_STRIP}' -o \"$stage/$exe\" '$<TARGET_FILE_DIR:ferolant>'/$exe
done
cd /
exec '${FEROLANT_WIXL}' -a ${wixl_arch} -D \"Version=$1\" -D \"Bin=.$stage\" \\
  -D 'Tavrin=.${tavrin_source}' -D 'Manifests=.${manifest_dir}' -o \"$out\" '${msi_dir}/ferolant-${variant}.wxs'
" FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(output ${PROJECT_BINARY_DIR}/${name})
  if(FEROLANT_PACKAGE_REFUSAL)
    set(make_command ${CMAKE_COMMAND} -E echo "ferolant_msi: ${FEROLANT_PACKAGE_REFUSAL}"
        COMMAND ${CMAKE_COMMAND} -E false)
  elseif(NOT FEROLANT_WIXL)
    set(make_command ${CMAKE_COMMAND} -E echo "ferolant_msi: wixl is missing: apt-get install wixl"
        COMMAND ${CMAKE_COMMAND} -E false)
  else()
    set(make_command sh ${msi_dir}/make-${variant}-msi ${PROJECT_VERSION} ${output})
  endif()
  add_custom_command(OUTPUT ${output} COMMAND ${make_command}
                     DEPENDS ferolant ferolant-register ${tavrin_depends}
                             ${msi_dir}/ferolant-${variant}.wxs ${msi_dir}/make-${variant}-msi
                     COMMENT "Making ${name}" VERBATIM)
  list(APPEND msi_outputs ${output})
endforeach()
add_custom_target(ferolant_msi DEPENDS ${msi_outputs})

# orvex_version_section(<target> INTERNAL_NAME <name> ORIGINAL_FILENAME <file> DESCRIPTION <text>)
#
# Gives an executable its version fields: a generated source puts them, with the fixed file
# version taken from the project version, into the ELF section ".orvex_version", where
# VersionInfo (src/platform/versioninfo.h) finds them in any file.
set(ORVEX_VERSION_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/versionsection.cpp.in)

function(orvex_version_section target)
  cmake_parse_arguments(ARG "" "INTERNAL_NAME;ORIGINAL_FILENAME;DESCRIPTION" "" ${ARGN})

  set(fixed "")
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(n "${PROJECT_VERSION_${part}}")
    if(n STREQUAL "")
      set(n 0)
    endif()
    if(n GREATER 65535)
      message(FATAL_ERROR "version part ${part} (${n}) does not fit in 16 bits")
    endif()
    list(APPEND fixed ${n})
  endforeach()
  list(JOIN fixed "." fixed)

  # One string table, U.S. English in code page 1252, as the About box and the updater query it.
  set(fields
    "CompanyName=Tarnwell"
    "FileDescription=${ARG_DESCRIPTION}"
    "FileVersion=${fixed}"
    "InternalName=${ARG_INTERNAL_NAME}"
    "OriginalFilename=${ARG_ORIGINAL_FILENAME}"
    "ProductName=Orvex"
    "ProductVersion=${fixed}"
    "Comments=Beta")

  set(ORVEX_VERSION_LINES "")
  foreach(line "ORVEXVERSION 1" "fixed ${fixed}" "translation 0409 04E4" "block 040904E4" ${fields})
    if(line MATCHES "[\n\r]")
      message(FATAL_ERROR "version field \"${line}\" spans lines")
    endif()
    string(REPLACE "\\" "\\\\" line "${line}")
    string(REPLACE "\"" "\\\"" line "${line}")
    string(APPEND ORVEX_VERSION_LINES "    \"${line}\\n\"\n")
  endforeach()

  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_versionsection.cpp)
  configure_file(${ORVEX_VERSION_TEMPLATE} ${out} @ONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()
